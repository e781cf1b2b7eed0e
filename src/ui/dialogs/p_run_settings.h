#pragma once

#include <QWidget>

class CRunStopTimes;
struct WebProject;

// "Run Settings": when the project starts and stops.
class CPRunSettings : public QWidget {
    Q_OBJECT

public:
    explicit CPRunSettings(QWidget* parent = nullptr);

    void LoadFrom(const WebProject& project);
    // Stores both flags and converts the four time texts, whatever the modes.
    void StoreInto(WebProject& project) const;

    CRunStopTimes* Times() const { return times_; }

private:
    CRunStopTimes* times_;
};

#pragma once

#include <functional>

#include <QTreeWidget>

// The category tree: the six lists under "Requested Items" and
// "Downloaded Items". Choosing a category, by a click or by the release of
// the key that moved the selection, hands its list number to the switch.
class CTreePanel : public QTreeWidget {
    Q_OBJECT

public:
    // Makes the list shown; false when there was nothing to do.
    using CategorySwitch = std::function<bool(int list)>;

    explicit CTreePanel(QWidget* parent = nullptr);

    void SetCategorySwitch(CategorySwitch categorySwitch) { switch_ = std::move(categorySwitch); }

    // Builds the fixed tree, expands "Requested Items" and selects "Files".
    void OnInitialUpdate();

    // Makes the list's category the current item, without switching to it.
    void SelectList(int list);

    // The list number of an item text; 0 for the two headings.
    static int ListOfItem(const QString& text);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    bool SwitchToSelectedCategory();

    CategorySwitch switch_;
};

#pragma once

class QLabel;
class QString;
class QWidget;

// A picture from the resources in a sunken frame, as the templates show
// bitmaps 151 and 159.
QLabel* SunkenPicture(const QString& resource, QWidget* parent);

// The tall picture (bitmap 151) and the banner (bitmap 159).
extern const char* const kTallPicture;
extern const char* const kBannerPicture;

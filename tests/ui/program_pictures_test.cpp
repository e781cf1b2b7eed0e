#include <vector>

#include <QImage>
#include <QString>
#include <gtest/gtest.h>

namespace {

const char* const kToolbarIcons[] = {
    ":/toolbar/add_files.png",          ":/toolbar/add_web_site.png",
    ":/toolbar/add_search_project.png", ":/toolbar/delete_entry.png",
    ":/toolbar/selected_projects.png",  ":/toolbar/stop_downloading.png",
    ":/toolbar/properties.png",         ":/toolbar/about.png",
};

QImage Load(const char* resource) { return QImage(QString::fromLatin1(resource)); }

TEST(ProgramPictures, ToolbarIconsAre32By32OnATransparentGroundAndAllDiffer) {
    std::vector<QImage> icons;
    for (const char* resource : kToolbarIcons) {
        const QImage icon = Load(resource);
        ASSERT_FALSE(icon.isNull()) << resource;
        EXPECT_EQ(icon.size(), QSize(32, 32)) << resource;
        EXPECT_TRUE(icon.hasAlphaChannel()) << resource;
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << resource << " covers its top left corner";
        icons.push_back(icon.convertToFormat(QImage::Format_ARGB32));
    }
    for (size_t a = 0; a < icons.size(); ++a) {
        for (size_t b = a + 1; b < icons.size(); ++b) {
            EXPECT_NE(icons[a], icons[b]) << kToolbarIcons[a] << " looks like " << kToolbarIcons[b];
        }
    }
}

TEST(ProgramPictures, WindowIconLoads) {
    const QImage icon = Load(":/tarrawick.png");
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.width(), icon.height());
    EXPECT_GE(icon.width(), 32);
}

}  // namespace

// Draws the toolbar's eight command icons (32x32), the window icon and the
// program's icon for the desktop's menus at the hicolor theme's usual sizes,
// and writes them as PNG files below the given folder.
// Usage: draw_icons RES_FOLDER [PREVIEW.png]
//
// All drawings share one palette, a one-pixel dark outline and light from
// the top left. The "add" commands carry the same green plus badge at the
// bottom right. Paper is pure white on purpose: the toolbar embosses
// disabled buttons by treating white as background, so pages keep their
// shape when greyed out.

#include <cmath>
#include <cstdio>
#include <functional>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

namespace {

// The name the desktop knows the program by (see the top CMakeLists.txt).
constexpr const char* kAppId = "example.tarrawick.Tarrawick";

const QColor kOutline(0x26, 0x33, 0x40);
const QColor kPaper(0xff, 0xff, 0xff);
const QColor kFold(0xd5, 0xdb, 0xe2);
const QColor kTextLine(0x9a, 0xa6, 0xb4);
const QColor kGreen(0x2e, 0x9d, 0x3a);
const QColor kGreenLight(0x6c, 0xcf, 0x6e);
const QColor kBlue(0x25, 0x63, 0xb8);
const QColor kBlueLight(0x73, 0xb0, 0xf0);
const QColor kRed(0xcf, 0x32, 0x28);
const QColor kRedLight(0xf2, 0x6d, 0x5b);
const QColor kGlass(0xd4, 0xea, 0xff);
const QColor kHandle(0x8a, 0x5a, 0x2b);

QPen Outline(qreal width = 1.0) { return QPen(kOutline, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

QLinearGradient TopLeftLight(const QRectF& area, const QColor& light, const QColor& dark) {
    QLinearGradient gradient(area.topLeft(), area.bottomRight());
    gradient.setColorAt(0.0, light);
    gradient.setColorAt(1.0, dark);
    return gradient;
}

// A page with its top-right corner folded over.
void DrawPage(QPainter& p, const QRectF& page) {
    const qreal fold = 7;
    QPainterPath outline;
    outline.moveTo(page.topLeft());
    outline.lineTo(page.right() - fold, page.top());
    outline.lineTo(page.right(), page.top() + fold);
    outline.lineTo(page.bottomRight());
    outline.lineTo(page.bottomLeft());
    outline.closeSubpath();
    p.setPen(Outline());
    p.setBrush(kPaper);
    p.drawPath(outline);

    QPainterPath corner;
    corner.moveTo(page.right() - fold, page.top());
    corner.lineTo(page.right() - fold, page.top() + fold);
    corner.lineTo(page.right(), page.top() + fold);
    corner.closeSubpath();
    p.setBrush(kFold);
    p.drawPath(corner);

    p.setPen(QPen(kTextLine, 1.0));
    for (qreal y = page.top() + 6; y < page.bottom() - 3; y += 3) {
        const qreal right = y < page.top() + fold + 1 ? page.right() - fold - 2 : page.right() - 3;
        p.drawLine(QPointF(page.left() + 3, y), QPointF(right, y));
    }
}

// The green "add" badge: a disc with a white plus, ringed in white so it
// stands off whatever lies under it.
void DrawAddBadge(QPainter& p) {
    const QPointF centre(24.5, 24.5);
    p.setPen(QPen(kPaper, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, 7.2, 7.2);
    p.setPen(Outline());
    p.setBrush(TopLeftLight(QRectF(17, 17, 15, 15), kGreenLight, kGreen));
    p.drawEllipse(centre, 6.5, 6.5);
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawRect(QRectF(centre.x() - 4, centre.y() - 1.25, 8, 2.5));
    p.drawRect(QRectF(centre.x() - 1.25, centre.y() - 4, 2.5, 8));
}

void DrawGlobe(QPainter& p, const QPointF& centre, qreal radius) {
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QRadialGradient sphere(centre - QPointF(radius / 3, radius / 3), radius * 1.4);
    sphere.setColorAt(0.0, kBlueLight);
    sphere.setColorAt(1.0, kBlue);
    p.setPen(Outline());
    p.setBrush(sphere);
    p.drawEllipse(box);

    p.save();
    QPainterPath clip;
    clip.addEllipse(box);
    p.setClipPath(clip);
    p.setPen(QPen(QColor(255, 255, 255, 170), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, radius * 0.45, radius);
    p.drawLine(QPointF(centre.x(), box.top()), QPointF(centre.x(), box.bottom()));
    p.drawLine(QPointF(box.left(), centre.y()), QPointF(box.right(), centre.y()));
    for (const qreal offset : {-0.5, 0.5}) {
        const qreal y = centre.y() + offset * radius * 1.1;
        p.drawLine(QPointF(box.left(), y), QPointF(box.right(), y));
    }
    p.restore();
}

// A thick arrow pointing down, its tip at `tip`.
QPainterPath DownArrow(const QPointF& tip, qreal shaftWidth, qreal headWidth, qreal headHeight,
                       qreal length) {
    QPainterPath arrow;
    const qreal shaftTop = tip.y() - length;
    const qreal headTop = tip.y() - headHeight;
    arrow.moveTo(tip.x() - shaftWidth / 2, shaftTop);
    arrow.lineTo(tip.x() + shaftWidth / 2, shaftTop);
    arrow.lineTo(tip.x() + shaftWidth / 2, headTop);
    arrow.lineTo(tip.x() + headWidth / 2, headTop);
    arrow.lineTo(tip);
    arrow.lineTo(tip.x() - headWidth / 2, headTop);
    arrow.lineTo(tip.x() - shaftWidth / 2, headTop);
    arrow.closeSubpath();
    return arrow;
}

void DrawAddFiles(QPainter& p) {
    DrawPage(p, QRectF(4.5, 1.5, 19, 25));
    DrawAddBadge(p);
}

void DrawAddWebSite(QPainter& p) {
    DrawGlobe(p, QPointF(14, 14), 12);
    DrawAddBadge(p);
}

// A magnifying glass whose handle points down to the left, clear of the
// badge at the bottom right.
void DrawMagnifier(QPainter& p, const QPointF& centre, qreal radius) {
    const QPointF direction(-std::sqrt(0.5), std::sqrt(0.5));
    const QPointF handleStart = centre + direction * (radius + 1);
    const QPointF handleEnd = centre + direction * (radius + 10);
    p.setPen(QPen(kOutline, 5.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(handleStart, handleEnd);
    p.setPen(QPen(kHandle, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(handleStart, handleEnd);

    p.setPen(QPen(kOutline, 3.0));
    p.setBrush(kGlass);
    p.drawEllipse(centre, radius, radius);
    p.setPen(QPen(kPaper, 1.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QRectF shine(centre.x() - radius + 3, centre.y() - radius + 3, 2 * radius - 6, 2 * radius - 6);
    p.drawArc(shine, 100 * 16, 70 * 16);
}

void DrawAddSearchProject(QPainter& p) {
    DrawMagnifier(p, QPointF(18, 11), 8.5);
    DrawAddBadge(p);
}

void DrawDeleteEntry(QPainter& p) {
    const QLineF strokes[] = {QLineF(8, 8, 24, 24), QLineF(24, 8, 8, 24)};
    p.setPen(QPen(kOutline, 8.0, Qt::SolidLine, Qt::RoundCap));
    for (const QLineF& stroke : strokes) p.drawLine(stroke);
    p.setPen(QPen(kRed, 6.0, Qt::SolidLine, Qt::RoundCap));
    for (const QLineF& stroke : strokes) p.drawLine(stroke);
    p.setPen(QPen(kRedLight, 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8.5, 7), QPointF(14, 12.5));
    p.drawLine(QPointF(22.5, 7), QPointF(17.5, 12));
}

// Starting the chosen downloads: an arrow coming down into a tray.
void DrawSelectedProjects(QPainter& p) {
    QPainterPath tray;
    tray.moveTo(3.5, 19.5);
    tray.lineTo(3.5, 28.5);
    tray.lineTo(28.5, 28.5);
    tray.lineTo(28.5, 19.5);
    tray.lineTo(24.5, 19.5);
    tray.lineTo(24.5, 24.5);
    tray.lineTo(7.5, 24.5);
    tray.lineTo(7.5, 19.5);
    tray.closeSubpath();
    p.setPen(Outline());
    p.setBrush(TopLeftLight(QRectF(3, 19, 26, 10), QColor(0xb8, 0xc2, 0xcc), QColor(0x6b, 0x78, 0x86)));
    p.drawPath(tray);

    p.setBrush(TopLeftLight(QRectF(8, 2, 16, 22), kGreenLight, kGreen));
    p.drawPath(DownArrow(QPointF(16, 23), 7, 17, 9, 21));
}

void DrawStopDownloading(QPainter& p) {
    QPolygonF octagon;
    const QPointF centre(16, 16);
    for (int corner = 0; corner < 8; ++corner) {
        const double angle = (22.5 + 45.0 * corner) * M_PI / 180.0;
        octagon << centre + QPointF(std::cos(angle), std::sin(angle)) * 14.5;
    }
    p.setPen(Outline());
    p.setBrush(TopLeftLight(QRectF(2, 2, 28, 28), kRedLight, kRed));
    p.drawPolygon(octagon);

    QPolygonF inner;
    for (const QPointF& point : octagon) inner << centre + (point - centre) * 0.82;
    p.setPen(QPen(kPaper, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(inner);

    p.setPen(Outline(0.8));
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(8, 13.5, 16, 5), 1, 1);
}

// A property sheet: a window with tabs and rows of settings.
void DrawProperties(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(kFold);
    p.drawRect(QRectF(13.5, 3.5, 8, 5));
    p.setBrush(kPaper);
    p.drawRect(QRectF(4.5, 2.5, 9, 6));
    p.drawRect(QRectF(2.5, 7.5, 27, 22));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(5, 7, 8, 1.2));

    for (int row = 0; row < 3; ++row) {
        const qreal y = 12.5 + 5.5 * row;
        p.setPen(Outline());
        p.setBrush(row == 1 ? kPaper : kBlueLight);
        p.drawRect(QRectF(6.5, y, 3.5, 3.5));
        p.setPen(QPen(kTextLine, 1.6));
        p.drawLine(QPointF(13, y + 1.75), QPointF(row == 2 ? 20 : 25.5, y + 1.75));
    }
}

void DrawAbout(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(TopLeftLight(QRectF(2, 2, 28, 28), kBlueLight, kBlue));
    p.drawEllipse(QPointF(16, 16), 14, 14);
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(16, 8.5), 2.4, 2.4);
    QPainterPath letter;
    letter.moveTo(12.5, 12.5);
    letter.lineTo(18, 12.5);
    letter.lineTo(18, 22.5);
    letter.lineTo(20, 22.5);
    letter.lineTo(20, 25);
    letter.lineTo(12, 25);
    letter.lineTo(12, 22.5);
    letter.lineTo(14, 22.5);
    letter.lineTo(14, 15);
    letter.lineTo(12.5, 15);
    letter.closeSubpath();
    p.drawPath(letter);
}

// The program's emblem: a globe with an arrow coming down in front of it.
void DrawEmblem(QPainter& p) {
    DrawGlobe(p, QPointF(14.5, 13.5), 12.5);
    p.setPen(Outline());
    p.setBrush(TopLeftLight(QRectF(15, 10, 14, 21), kGreenLight, kGreen));
    p.drawPath(DownArrow(QPointF(23, 30.5), 6, 14, 8, 19));
}

QImage Draw(int size, const std::function<void(QPainter&)>& drawing) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    drawing(painter);
    return image;
}

// A sheet for looking at the icons: each at its size on a button-grey
// ground, then four times enlarged without smoothing.
QImage DrawPreview(const QList<QImage>& icons) {
    const int cell = 32 * 4 + 16;
    QImage sheet(cell * static_cast<int>(icons.size()), 32 + 24 + cell, QImage::Format_RGB32);
    sheet.fill(QColor(0xef, 0xef, 0xef));
    QPainter p(&sheet);
    for (int index = 0; index < icons.size(); ++index) {
        const int left = index * cell + 8;
        p.drawImage(QPoint(left + 48, 8), icons[index]);
        p.drawImage(QRect(left, 48, 128, 128), icons[index]);
    }
    return sheet;
}

bool Save(const QImage& image, const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    if (image.save(path, "PNG")) return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("res");

    struct Icon {
        const char* name;
        void (*drawing)(QPainter&);
    };
    const Icon icons[] = {
        {"add_files", DrawAddFiles},
        {"add_web_site", DrawAddWebSite},
        {"add_search_project", DrawAddSearchProject},
        {"delete_entry", DrawDeleteEntry},
        {"selected_projects", DrawSelectedProjects},
        {"stop_downloading", DrawStopDownloading},
        {"properties", DrawProperties},
        {"about", DrawAbout},
    };
    bool ok = true;
    QList<QImage> drawn;
    for (const Icon& icon : icons) {
        drawn << Draw(32, icon.drawing);
        ok &= Save(drawn.last(), folder + QStringLiteral("/toolbar/") + QLatin1String(icon.name) + ".png");
    }
    if (argc > 2) {
        drawn << Draw(32, DrawEmblem);
        ok &= Save(DrawPreview(drawn), QString::fromLocal8Bit(argv[2]));
    }
    ok &= Save(Draw(64, DrawEmblem), folder + QStringLiteral("/tarrawick.png"));
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        ok &= Save(Draw(size, DrawEmblem), folder + QStringLiteral("/icons/hicolor/%1x%1/apps/").arg(size) +
                                               QLatin1String(kAppId) + ".png");
    }
    return ok ? 0 : 1;
}

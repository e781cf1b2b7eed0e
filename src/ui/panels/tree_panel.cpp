#include "ui/panels/tree_panel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

struct Category {
    const char* text;
    int list;  // 0 for a heading
};

// In the order of the tree: a heading, then its three lists.
constexpr Category kCategories[] = {
    {"Requested Items", 0},  {"Files", 1},
    {"Web Sites", 2},        {"Search Projects", 5},
    {"Downloaded Items", 0}, {"Downloaded Files", 3},
    {"Downloaded Sites", 4}, {"Search Results", 6},
};

}  // namespace

CTreePanel::CTreePanel(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void CTreePanel::OnInitialUpdate() {
    clear();
    QTreeWidgetItem* heading = nullptr;
    for (const Category& category : kCategories) {
        const QString text = QString::fromLatin1(category.text);
        if (category.list == 0) {
            heading = new QTreeWidgetItem(this, QStringList{text});
        } else {
            new QTreeWidgetItem(heading, QStringList{text});
        }
    }
    QTreeWidgetItem* requested = topLevelItem(0);
    requested->setExpanded(true);
    setCurrentItem(requested->child(0));
}

void CTreePanel::SelectList(int list) {
    for (int heading = 0; heading < topLevelItemCount(); ++heading) {
        QTreeWidgetItem* item = topLevelItem(heading);
        for (int child = 0; child < item->childCount(); ++child) {
            if (ListOfItem(item->child(child)->text(0)) != list) continue;
            item->setExpanded(true);
            return setCurrentItem(item->child(child));
        }
    }
}

int CTreePanel::ListOfItem(const QString& text) {
    for (const Category& category : kCategories) {
        if (text == QLatin1String(category.text)) return category.list;
    }
    return 0;
}

bool CTreePanel::SwitchToSelectedCategory() {
    const QTreeWidgetItem* item = currentItem();
    if (item == nullptr || !switch_) return false;
    const int list = ListOfItem(item->text(0));
    return list != 0 && switch_(list);
}

// Only the left button moves the highlight, and it switches the list at
// once; a right or middle click would leave the tree naming another list
// than the one shown.
void CTreePanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return event->accept();
    QTreeWidget::mousePressEvent(event);
    SwitchToSelectedCategory();
}

void CTreePanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return event->accept();
    QTreeWidget::mouseReleaseEvent(event);
}

void CTreePanel::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return event->accept();
    QTreeWidget::mouseDoubleClickEvent(event);
}

void CTreePanel::keyReleaseEvent(QKeyEvent* event) {
    // The selection moves when the key goes down; the list follows when it
    // comes up, so holding an arrow key switches only once. The releases that
    // a held key's repeats bring are not the key coming up.
    if (event->isAutoRepeat()) return QTreeWidget::keyReleaseEvent(event);
    if (SwitchToSelectedCategory()) QTreeWidget::keyReleaseEvent(event);
}

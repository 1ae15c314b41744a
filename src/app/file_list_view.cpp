#include "file_list_view.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QUrl>

namespace vidmorph {

namespace {

struct TColumnSpec {
    const char* Title;
    int Width;
    Qt::Alignment Alignment;
};

constexpr TColumnSpec kColumns[fcSpare] = {
    {"File Name", 245, Qt::AlignLeft | Qt::AlignVCenter},
    {"Video Size", 100, Qt::AlignCenter},
    {"Frame Rate", 100, Qt::AlignCenter},
    {"Duration", 70, Qt::AlignCenter},
    {"Output", 70, Qt::AlignCenter},
    {"Progress", 80, Qt::AlignCenter},
    {"Frames", 70, Qt::AlignCenter},
};

// Draws each cell as usual, then its right and bottom grid lines.
class TGridDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* APainter, const QStyleOptionViewItem& AOption, const QModelIndex& AIndex) const override {
        QStyledItemDelegate::paint(APainter, AOption, AIndex);
        const QRect r = AOption.rect;
        APainter->save();
        APainter->setPen(AOption.palette.color(QPalette::Midlight));
        APainter->drawLine(r.topRight(), r.bottomRight());
        APainter->drawLine(r.bottomLeft(), r.bottomRight());
        APainter->restore();
    }
};

QStringList LocalPaths(const QMimeData* AData) {
    QStringList paths;
    if (!AData) return paths;
    for (const QUrl& url : AData->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    return paths;
}

}  // namespace

TFileListView::TFileListView(QWidget* AParent) : QTreeWidget(AParent) {
    setColumnCount(fcCount);
    QStringList titles;
    for (const TColumnSpec& column : kColumns) titles << column.Title;
    titles << QString();
    setHeaderLabels(titles);
    for (int i = 0; i < fcSpare; ++i) {
        setColumnWidth(i, kColumns[i].Width);
        headerItem()->setTextAlignment(i, kColumns[i].Alignment);
    }
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(0);
    setColumnWidth(fcSpare, 0);
    setColumnHidden(fcSpare, true);
    header()->setSectionsMovable(false);

    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setTextElideMode(Qt::ElideMiddle);  // long paths keep their file names in sight
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new TGridDelegate(this));

    // The selection looks the same with and without focus.
    QPalette colours = palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    setPalette(colours);

    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
}

QTreeWidgetItem* TFileListView::AddRow(const QString& ACaption, const QStringList& ASubItems) {
    auto* row = new QTreeWidgetItem(this);
    row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    row->setCheckState(fcFileName, Qt::Checked);
    row->setText(fcFileName, ACaption);
    for (int i = fcVideoSize; i < fcCount; ++i) {
        row->setTextAlignment(i, kColumns[i < fcSpare ? i : fcFrames].Alignment);
        row->setText(i, i - 1 < ASubItems.size() ? ASubItems[i - 1] : QString());
    }
    return row;
}

QTreeWidgetItem* TFileListView::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

void TFileListView::dragEnterEvent(QDragEnterEvent* AEvent) {
    if (LocalPaths(AEvent->mimeData()).isEmpty()) return AEvent->ignore();
    AEvent->acceptProposedAction();
}

void TFileListView::dragMoveEvent(QDragMoveEvent* AEvent) {
    if (LocalPaths(AEvent->mimeData()).isEmpty()) return AEvent->ignore();
    AEvent->acceptProposedAction();
}

void TFileListView::dropEvent(QDropEvent* AEvent) {
    const QStringList paths = LocalPaths(AEvent->mimeData());
    if (paths.isEmpty()) return AEvent->ignore();
    AEvent->acceptProposedAction();
    emit FilesDropped(paths);
}

}  // namespace vidmorph

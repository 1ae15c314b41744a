// The file list's view: a report-style list with check boxes, grid lines,
// whole-row single selection that stays visible without focus, the seven
// columns and one hidden spare sub-item, and files or folders dropped onto
// it handed on as paths.
#pragma once

#include <QStringList>
#include <QTreeWidget>

namespace vidmorph {

// Column positions; the caption is column 0, sub-item n is column n + 1.
enum TFileColumn {
    fcFileName = 0,
    fcVideoSize = 1,
    fcFrameRate = 2,
    fcDuration = 3,
    fcOutput = 4,
    fcProgress = 5,
    fcFrames = 6,
    fcSpare = 7,  // the empty sub-item every row carries; no column shows it
    fcCount = 8
};

class TFileListView final : public QTreeWidget {
    Q_OBJECT
public:
    explicit TFileListView(QWidget* AParent = nullptr);

    // Appends a checked row: the caption and the texts of sub-items 0 to 4
    // ("Video Size" to "Progress"); "Frames" and the spare sub-item empty.
    QTreeWidgetItem* AddRow(const QString& ACaption, const QStringList& ASubItems);
    // The selected row, nullptr when none is.
    QTreeWidgetItem* SelectedRow() const;

signals:
    // Local files or folders dropped onto the list, in the drop's order.
    void FilesDropped(const QStringList& APaths);

protected:
    void dragEnterEvent(QDragEnterEvent* AEvent) override;
    void dragMoveEvent(QDragMoveEvent* AEvent) override;
    void dropEvent(QDropEvent* AEvent) override;
};

}  // namespace vidmorph

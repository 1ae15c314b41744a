#include "dropped_files.h"

#include <QDir>
#include <QFileInfo>

#include "open_dialog_filter.h"

namespace vidmorph {

namespace {

void CollectMediaFiles(const QDir& AFolder, const QStringList& AExtensions, QStringList& AFiles) {
    const QDir::SortFlags order = QDir::Name | QDir::IgnoreCase;
    for (const QFileInfo& file : AFolder.entryInfoList(QDir::Files, order))
        if (AExtensions.contains(file.suffix().toLower())) AFiles << file.absoluteFilePath();
    for (const QFileInfo& folder : AFolder.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, order))
        CollectMediaFiles(QDir(folder.absoluteFilePath()), AExtensions, AFiles);
}

}  // namespace

QStringList ExpandDroppedPaths(const QStringList& APaths) {
    const QStringList extensions = SupportedExtensions();
    QStringList files;
    for (const QString& path : APaths) {
        const QFileInfo info(path);
        if (info.isDir())
            CollectMediaFiles(QDir(info.absoluteFilePath()), extensions, files);
        else
            files << QDir::cleanPath(info.absoluteFilePath());
    }
    return files;
}

}  // namespace vidmorph

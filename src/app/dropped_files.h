// The files that paths named outside the open dialog stand for: files as
// they are, folders by the supported media files they hold at any depth.
#pragma once

#include <QStringList>

namespace vidmorph {

// Each path made absolute, in order: a file (or a name that does not
// exist) stands for itself; a folder for every file below it whose
// extension is a supported one, sorted by name within each folder, the
// files of a folder before its subfolders. Hidden entries are skipped, and
// folders reached through symbolic links are not entered, so a link loop
// cannot trap the walk.
QStringList ExpandDroppedPaths(const QStringList& APaths);

}  // namespace vidmorph

// The desktop's default programs and program launching, behind an interface
// that tests replace. Neither reports an outcome: the windows never check it.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

namespace vidmorph {

class IDesktop {
public:
    virtual ~IDesktop() = default;
    // Opens a document, web address or mail address with the desktop's
    // default program.
    virtual void OpenUrl(const QUrl& AUrl) = 0;
    // Starts a program without waiting for it; it reads nothing and its
    // output is discarded.
    virtual void StartDetached(const QString& AProgram, const QStringList& AArguments,
                               const QString& AWorkingDirectory) = 0;
};

class TQtDesktop final : public IDesktop {
public:
    void OpenUrl(const QUrl& AUrl) override;
    void StartDetached(const QString& AProgram, const QStringList& AArguments,
                       const QString& AWorkingDirectory) override;
};

}  // namespace vidmorph

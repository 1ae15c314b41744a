// The program's start: the application named "Vidmorph", its windows
// created in order, the main window shown, files named on the command line
// added once it shows, then the event loop.
//
//   vidmorph [FILE|FOLDER]...
//   vidmorph --screenshot OUT.png [FILE]...   (hidden: saves the shown
//       window as a picture and ends, for the documentation)
#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <cstdio>

#include "app_icon.h"
#include "app_start.h"
#include "desktop.h"
#include "dialogs.h"
#include "main_window.h"
#include "preview_player.h"

namespace {

// Saves the window as it shows and ends the program (1 when saving failed).
void SaveScreenshot(QWidget& AWindow, const QString& AFileName) {
    const bool saved = AWindow.grab().save(AFileName);
    if (!saved) std::fprintf(stderr, "vidmorph: cannot write %s\n", qPrintable(AFileName));
    QCoreApplication::exit(saved ? 0 : 1);
}

}  // namespace

int main(int argc, char** argv) {
    // The preview plays through Qt's FFmpeg backend, on the codec libraries
    // the program needs anyway; Qt 6.4's GStreamer backend crashes where
    // GStreamer's base plugins are missing. QT_MEDIA_BACKEND still decides.
    if (!qEnvironmentVariableIsSet("QT_MEDIA_BACKEND")) qputenv("QT_MEDIA_BACKEND", "ffmpeg");
    QApplication app(argc, argv);
    QApplication::setApplicationName("Vidmorph");
    QApplication::setOrganizationName("Zentrovo");
    QApplication::setApplicationVersion("4.0");
    QApplication::setDesktopFileName("vidmorph");
    QApplication::setWindowIcon(vidmorph::AppIcon());

    QCommandLineParser parser;
    parser.setApplicationDescription("Converts audio and video files for portable players and phones.");
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption screenshot("screenshot", "Save the main window as a picture and quit.", "file");
    screenshot.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(screenshot);
    parser.addPositionalArgument("files", "Media files or folders to add to the list.", "[file...]");
    parser.process(app);

    vidmorph::TQtDialogs dialogs;
    vidmorph::TQtDesktop desktop;
    const vidmorph::TAppServices services{dialogs, desktop, vidmorph::MakeMediaPreview};
    const std::unique_ptr<vidmorph::TForm1> form1 = vidmorph::CreateForms(services);
    if (!form1) return 1;
    form1->show();

    // After the window has shown: the command line's files, then the picture.
    const QStringList files = parser.positionalArguments();
    const QString screenshotFile = parser.value(screenshot);
    QTimer::singleShot(0, form1.get(), [&form1, files, screenshotFile] {
        if (!files.isEmpty()) form1->AddFiles(files);
        if (!screenshotFile.isEmpty())
            QTimer::singleShot(300, form1.get(), [&form1, screenshotFile] { SaveScreenshot(*form1, screenshotFile); });
    });
    return QApplication::exec();
}

// The file list: adding files through the open dialog (probed, one checked
// row each, with the media columns), the column texts, adding again,
// removing, clearing, checking, and files or folders dropped onto the list.
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTest>
#include <QTreeWidgetItem>
#include <QUrl>
#include <filesystem>
#include <fstream>

#include "app_test_support.h"
#include "dropped_files.h"
#include "file_list_view.h"
#include "media_columns.h"
#include "open_dialog_filter.h"

extern "C" {
#include <libavutil/avutil.h>
}

using namespace vidmorph;
using namespace vidmorph::testing;
using fixtures::MakeMediaFile;
using fixtures::MediaSpec;

namespace {

QString Path(const fixtures::TempDir& AFolder, const char* AName) {
    return QString::fromStdString(AFolder.File(AName));
}

void WriteText(const QString& APath, const char* AText) { std::ofstream(APath.toStdString()) << AText; }

}  // namespace

class TFileListTest : public QObject {
    Q_OBJECT

private slots:
    // A video file, another at an NTSC rate, an MP3, a missing file and a
    // text file: five checked rows in the dialog's order.
    void addFilesThroughOpenDialog() {
        fixtures::TempDir folder;
        MakeMediaFile(folder.File("clip.avi"),
                      MediaSpec{.container = "avi", .videoCodec = "mpeg4", .audioCodec = "libmp3lame", .seconds = 2.5});
        MakeMediaFile(
            folder.File("ntsc.mp4"),
            MediaSpec{.videoCodec = "mpeg4", .width = 640, .height = 480, .frameRate = {30000, 1001}, .seconds = 2.5});
        MakeMediaFile(folder.File("tone.mp3"), MediaSpec{.audioCodec = "libmp3lame", .seconds = 2.5});
        WriteText(Path(folder, "notes.txt"), "not a media file\n");
        const QStringList names = {Path(folder, "clip.avi"), Path(folder, "ntsc.mp4"), Path(folder, "tone.mp3"),
                                   Path(folder, "missing.avi"), Path(folder, "notes.txt")};

        TApp app;
        TForm1& form = app.Start();
        ChooseFormat(form, "Archos AV700 (*.avi)");
        app.Dialogs.FilesToOpen = names;
        form.ButtonAddFile->click();

        QCOMPARE(app.Dialogs.OpenCount, 1);
        QCOMPARE(app.Dialogs.LastFilter, OpenDialogFilter());
        QVERIFY(!form.AddingFiles);
        const std::vector<QStringList> rows = {{names[0], "320x240", "25", "00:00:02", "AVI", "", "", ""},
                                               {names[1], "640x480", "29.97", "00:00:02", "AVI", "", "", ""},
                                               {names[2], " ", " ", "00:00:02", "AVI", "", "", ""},
                                               {names[3], "", "", "", "", "Error", "", ""},
                                               {names[4], "", "", "", "", "Error", "", ""}};
        QCOMPARE(form.RowCount(), int(rows.size()));
        for (int i = 0; i < form.RowCount(); ++i) {
            QCOMPARE(RowTexts(form, i), rows[std::size_t(i)]);
            QCOMPARE(form.Row(i)->checkState(fcFileName), Qt::Checked);
        }
    }

    void durationText_data() {
        QTest::addColumn<qint64>("microseconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("3725 s") << qint64(3725) * 1000000 << "01:02:05";
        QTest::newRow("400000 s") << qint64(400000) * 1000000 << "111:06:40";
        QTest::newRow("59.6 s drops the fraction") << qint64(59600000) << "00:00:59";
        QTest::newRow("zero") << qint64(0) << "00:00:00";
        QTest::newRow("no duration") << qint64(AV_NOPTS_VALUE) << "Unknown";
        QTest::newRow("negative") << qint64(-61000000) << "Unknown";
    }
    void durationText() {
        QFETCH(qint64, microseconds);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(DurationText(microseconds)), text);
    }

    void frameRateText_data() {
        QTest::addColumn<int>("num");
        QTest::addColumn<int>("den");
        QTest::addColumn<QString>("text");
        QTest::newRow("25/1") << 25 << 1 << "25";
        QTest::newRow("30000/1001") << 30000 << 1001 << "29.97";
        QTest::newRow("24000/1001") << 24000 << 1001 << "23.98";
        QTest::newRow("15/2") << 15 << 2 << "7.5";
        QTest::newRow("half rounds down to even") << 1 << 8 << "0.12";
        QTest::newRow("half rounds up to even") << 3 << 8 << "0.38";
        QTest::newRow("no denominator") << 25 << 0 << " ";
    }
    void frameRateText() {
        QFETCH(int, num);
        QFETCH(int, den);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(FrameRateText(num, den)), text);
    }

    // Add File stops the preview, empties the task list and every row's
    // "Progress" before the dialog; a cancelled dialog adds nothing.
    void addingAgain() {
        fixtures::TempDir folder;
        MakeMediaFile(folder.File("tone.mp3"), MediaSpec{.audioCodec = "libmp3lame"});
        TApp app;
        TForm1& form = app.Start();
        app.Dialogs.FilesToOpen = {Path(folder, "missing.avi")};
        form.ButtonAddFile->click();
        QCOMPARE(form.Row(0)->text(fcProgress), QString("Error"));
        QVERIFY(form.vexcoder.AddInput(folder.File("tone.mp3")) >= 0);
        app.PlayerLog.clear();

        app.Dialogs.FilesToOpen.clear();
        form.ButtonAddFile->click();
        QCOMPARE(app.PlayerLog, QStringList{"stop"});
        QCOMPARE(form.vexcoder.Tasks().Count(), 0);
        QCOMPARE(form.RowCount(), 1);
        QCOMPARE(form.Row(0)->text(fcProgress), QString());
    }

    // While files are being added a further Add File opens no second
    // dialog, and nothing is added while a job runs.
    void noSecondDialog() {
        TApp app;
        TForm1& form = app.Start();
        app.Dialogs.WhileOpenDialog = [&] { form.ButtonAddFileClick(); };
        app.Dialogs.FilesToOpen = {"/no/such/file.avi"};
        form.ButtonAddFile->click();
        QCOMPARE(app.Dialogs.OpenCount, 1);
        QCOMPARE(form.RowCount(), 1);

        form.JobRunning = true;
        form.ButtonAddFileClick();
        form.AddFiles({"/no/such/other.avi"});
        form.JobRunning = false;
        QCOMPARE(app.Dialogs.OpenCount, 1);
        QCOMPARE(form.RowCount(), 1);
    }

    void removeCheckAndClear() {
        TApp app;
        TForm1& form = app.Start();
        for (const char* name : {"/v/a.avi", "/v/b.avi", "/v/c.avi"}) AddPlainRow(form, name);

        form.ListView1->clearSelection();
        form.ButtonRemove->click();  // nothing selected: nothing goes
        QCOMPARE(form.RowCount(), 3);

        SelectRow(form, 1);
        form.ButtonRemove->click();
        QCOMPARE(form.RowCount(), 2);
        QCOMPARE(form.Row(1)->text(fcFileName), QString("/v/c.avi"));

        form.UncheckAllItems1->trigger();
        for (int i = 0; i < form.RowCount(); ++i) QCOMPARE(form.Row(i)->checkState(fcFileName), Qt::Unchecked);
        form.CheckAllItems1->trigger();
        for (int i = 0; i < form.RowCount(); ++i) QCOMPARE(form.Row(i)->checkState(fcFileName), Qt::Checked);

        form.JobRunning = true;  // Clear does nothing during a batch
        form.ButtonClear->click();
        QCOMPARE(form.RowCount(), 2);
        form.JobRunning = false;

        fixtures::TempDir folder;
        MakeMediaFile(folder.File("tone.mp3"), MediaSpec{.audioCodec = "libmp3lame"});
        QVERIFY(form.vexcoder.AddInput(folder.File("tone.mp3")) >= 0);
        app.PlayerLog.clear();
        form.ButtonClear->click();
        QCOMPARE(form.RowCount(), 0);
        QCOMPARE(form.vexcoder.Tasks().Count(), 0);
        QCOMPARE(app.PlayerLog, QStringList{"stop"});
    }

    // A dropped folder stands for the supported files below it; a dropped
    // file for itself, whatever it is.
    void dropFilesAndFolders() {
        fixtures::TempDir folder;
        const std::filesystem::path root = folder.Path() / "videos";
        for (const char* name : {"videos/b.mp3", "videos/A.AVI", "videos/notes.txt", "videos/sub/c.mp4",
                                 "videos/.hidden.mp4", "readme.txt"}) {
            std::filesystem::create_directories((folder.Path() / name).parent_path());
            WriteText(QString::fromStdString((folder.Path() / name).string()), "x");
        }
        std::filesystem::create_directory_symlink(root, root / "sub" / "loop");

        TApp app;
        TForm1& form = app.Start();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(root.string())),
                      QUrl::fromLocalFile(Path(folder, "readme.txt"))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.ListView1->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.ListView1->viewport(), &drop);
        QCOMPARE(form.RowCount(), 0);  // added once the drop has finished
        QCoreApplication::processEvents();
        QCOMPARE(form.RowCount(), 4);

        const QString videos = QString::fromStdString(root.string());
        const QStringList expected = {videos + "/A.AVI", videos + "/b.mp3", videos + "/sub/c.mp4",
                                      Path(folder, "readme.txt")};
        for (int i = 0; i < form.RowCount(); ++i) {
            QCOMPARE(form.Row(i)->text(fcFileName), expected[i]);
            QCOMPARE(form.Row(i)->text(fcProgress), QString("Error"));  // none is real media
        }
    }

    // A pipe named on the command line is not read (the probe would wait
    // for a writer forever): it gets an "Error" row.
    void pipeIsNotProbed() {
        fixtures::TempDir folder;
        const QString pipe = Path(folder, "pipe.mp4");
        QVERIFY(mkfifo(pipe.toLocal8Bit().constData(), 0600) == 0);
        TApp app;
        TForm1& form = app.Start();
        form.AddFiles({pipe});
        QCOMPARE(form.RowCount(), 1);
        QCOMPARE(form.Row(0)->text(fcProgress), QString("Error"));
    }

    // Names from the command line are made absolute.
    void relativeNames() {
        fixtures::TempDir folder;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(folder.Path().string()));
        const QStringList files = ExpandDroppedPaths({"clip.avi", "./sub/../song.mp3"});
        QDir::setCurrent(previous);
        QCOMPARE(files, QStringList({Path(folder, "clip.avi"), Path(folder, "song.mp3")}));
    }

    void openDialogFilter() {
        const QString filter = OpenDialogFilter();
        QCOMPARE(filter,
                 QString("All Supported Files|*.avi;*.mpeg;*.mpg;*.mpa;*.m1v;*.mv2;*.wma;*.wmv;*.asf;*.asx;*.mov; "
                         "*.qt;*.3gp;*.3g2;*.mp3;*.mp2;*.ogg;*.aac;*.mp4;*.m4a;*.rm;*.rmvb;*.ram;*.ra;*.vob; "
                         "*.dat;*.cda;*.dv; *.dif;*.wav; *.au; *.aiff;*.mjpg; *.mjpeg;*.ac3; *.gif; *.swf; *.flv|"
                         "3GPP Files (*.3gp)|*.3gp|3GPP2 Files (*.3g2)|*.3g2|AAC Files (*.aac)|*.aac|"
                         "AC3 Files (*.ac3)|*.ac3|Audio CD Files (*.cda)|*.cda|AVI Files (*.avi)|*.avi|"
                         "DV Video Files (*.dv, *.dif)|*.dv;*.dif|DVD VOB Files (*.vob)|*.vob|"
                         "GIF Animated Files (*.gif)|*.gif|Macromedia Flash Files (*.flv, *.swf)|*.flv; *.swf|"
                         "Monkey Audio Files (*.ape, *.cue)|*.ape;*.cue|"
                         "MJpeg Video Files (*.mjpg, *.mjpeg)|*.mjpg; *.mjpeg|MP2 Files (*.mp2)|*.mp2|"
                         "MP3 Files (*.mp3)|*.mp3|"
                         "MPEG Files (*.mpeg, *.mpg, *.mpa, *.m1v, *.mv2)|*.mpeg;*.mpg;*.mpa;*.m1v;*.mv2|"
                         "MPEG-4 Files (*.mp4)|*.mp4|MPEG-4 Audio Files (*.m4a, *.mp4)|*.m4a; *.mp4|"
                         "Ogg Vorbis Files (*.ogg)|*.ogg|"
                         "RealMedia Files (*.rm, *.rmvb, *.ram, *.ra)|*.rm; *.rmvb; *.ram; *.ra|"
                         "QuickTime Files (*.mov, *.qt)|*.mov; *.qt|VCD DAT Files (*.dat)|*.dat|"
                         "WAV Files (*.wav, *.au, *.aiff)|*.wav; *.au; *.aiff|"
                         "Windows Media Files(*.wma, *.wmv, *.asf, *.asx)|*.wma;*.wmv;*.asf;*.asx|"));

        const QStringList filters = QtNameFilters(filter);
        QCOMPARE(filters.size(), 24);
        QVERIFY(filters[0].startsWith("All Supported Files (*.avi *.AVI *.mpeg *.MPEG "));
        QVERIFY(filters[0].endsWith(" *.flv *.FLV)"));
        QCOMPARE(filters[7], QString("DV Video Files (*.dv, *.dif) (*.dv *.DV *.dif *.DIF)"));
        QCOMPARE(filters[23], QString("Windows Media Files(*.wma, *.wmv, *.asf, *.asx) "
                                      "(*.wma *.WMA *.wmv *.WMV *.asf *.ASF *.asx *.ASX)"));
    }
};

QTEST_MAIN(TFileListTest)
#include "file_list_test.moc"

// The Help menu and the About window: what each opens with the desktop's
// default programs, and the About window's content and closing.
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include "about_form.h"
#include "app_test_support.h"
#include "click_label.h"

using namespace vidmorph;
using namespace vidmorph::testing;

class THelpAboutTest : public QObject {
    Q_OBJECT

private slots:
    void helpMenu() {
        TApp app;
        TForm1& form = app.Start();
        // The help document beside the executable (the test's own folder
        // has none: opening it changes nothing in the window either).
        QCOMPARE(form.HelpFile, QCoreApplication::applicationDirPath() + "/help.html");
        form.OpenHelpFile1->trigger();
        form.VisitOurWebsite1->trigger();
        QCOMPARE(app.Desktop.Opened,
                 QList<QUrl>({QUrl::fromLocalFile(form.HelpFile), QUrl("https://www.zentrovo.com/vidmorph/")}));
        QVERIFY(app.Dialogs.Messages.empty());

        form.About1->trigger();
        QCOMPARE(app.Dialogs.Shown, std::vector<QDialog*>{form.FormAbout.data()});
    }

    void helpDocumentShipsBesideTheProgram() {
        QFile help(QStringLiteral(VIDMORPH_APP_DIR "/help.html"));
        QVERIFY(help.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(help.readAll());
        for (const char* topic : {"Adding files", "Choosing a format", "Additional options", "Where files go"})
            QVERIFY2(text.contains(topic), topic);
    }

    void aboutWindow() {
        TApp app;
        TForm1& form = app.Start();
        TFormAbout& about = *form.FormAbout;
        QCOMPARE(about.windowTitle(), QString("About"));
        QCOMPARE(about.parentWidget(), &form);

        for (int showing = 0; showing < 2; ++showing) {  // the same content every time
            about.show();
            QVERIFY(QTest::qWaitForWindowExposed(&about));
            QCOMPARE(about.Image1->pixmap().size(), QSize(32, 32));
            QCOMPARE(about.StaticText1->text(), QString("Vidmorph"));
            QVERIFY(about.StaticText1->font().bold());
            QCOMPARE(about.StaticText2->text(), QString("Version 4.0"));
            QCOMPARE(about.Label1->text(), QString("Visit our Website"));
            QCOMPARE(about.Label2->text(), QString("Contact Support Department"));
            for (const QLabel* link : {static_cast<QLabel*>(about.Label1), static_cast<QLabel*>(about.Label2)}) {
                QVERIFY(link->font().underline());
                QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
                QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
            }
            QCOMPARE(about.Button1->text(), QString("OK"));
            QVERIFY(about.Button1->font().bold());
            if (showing == 0)
                about.Button1->click();
            else
                about.close();  // the close box
            QVERIFY(!about.isVisible());
        }

        about.show();
        QTest::mouseClick(about.Label1, Qt::LeftButton);
        QTest::mouseClick(about.Label2, Qt::LeftButton);
        QCOMPARE(app.Desktop.Opened,
                 QList<QUrl>({QUrl("https://www.zentrovo.com/vidmorph/"), QUrl("mailto:support@zentrovo.com")}));
    }
};

QTEST_MAIN(THelpAboutTest)
#include "help_about_test.moc"

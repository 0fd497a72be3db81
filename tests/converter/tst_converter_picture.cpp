// A picture of the converter page while a file converts, for people to look at (build/artifacts),
// taken on an X display (Xvfb) with the fonts a Debian machine has.
#include "FindControl.h"
#include "Mp3Fixtures.h"
#include "ProgramSession.h"
#include "TestMachine.h"

#include "AudioConverterPage.h"
#include "Dialogs.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace tolvex;

class TestConverterPicture : public QObject
{
    Q_OBJECT

private slots:
    void whileAFileConverts()
    {
        const QString artifacts = qEnvironmentVariable("TOLVEX_ARTIFACTS_DIR");
        QVERIFY(!artifacts.isEmpty());
        QDir().mkpath(artifacts);
        QTemporaryDir dir;
        const QString machine = dir.path() + "/machine";
        test::writeMachine(machine, {});
        const QString musicHost = machine + "/drive_c/Music/";
        QDir().mkpath(musicHost);
        QDir().mkpath(machine + "/drive_c/Converts");
        test::ProgramSession program(machine, dir.path() + "/program");
        converter::AudioConverterPage page(*program.context);
        page.resize(640, 420);
        page.sEdit1->setText("C:\\Converts");
        ui::Dialogs::startRecording();

        struct Song
        {
            const char *file, *title, *album;
        };
        const Song songs[] = {{"Kino - Zvezda.mp3", "Звезда по имени Солнце", "Звезда по имени Солнце"},
                              {"Track02.MP3", "Спокойная ночь", "Группа крови"},
                              {"untitled.mp3", "", ""}};
        QString log;
        // The first is long, so that it is still converting when the picture is taken.
        QVERIFY2(test::encodeTone(musicHost + "long.mp3", 44100, 2, 44100, {"-t", "-b", "128"}, &log),
                 qPrintable(log));
        test::writeFile(musicHost + songs[0].file, test::readFile(musicHost + "long.mp3").repeated(600));
        QVERIFY(test::writeTags(musicHost + songs[0].file, songs[0].title, songs[0].album));
        for (int i = 1; i < 3; ++i) {
            QVERIFY(test::encodeTone(musicHost + songs[i].file, 44100, 2, 4410, {"-b", "128"}, &log));
            if (*songs[i].title)
                QVERIFY(test::writeTags(musicHost + songs[i].file, songs[i].title, songs[i].album));
        }
        auto *list = test::find<QTreeWidget>(&page, "sListView2");
        for (const Song &song : songs) {
            QString error;
            QVERIFY2(page.converter().AddFile("C:\\Music\\" + QString(song.file), &error), qPrintable(error));
        }
        list->topLevelItem(0)->setCheckState(0, Qt::Checked);
        list->topLevelItem(1)->setCheckState(0, Qt::Checked);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));

        bool taken = false;
        QObject::connect(
            &page.converter(), &converter::AudioConverter::progressChanged, &page, [&](int percent) {
                if (percent < 30 || taken) return;
                taken = true;
                QApplication::processEvents();
                const QRect frame = page.frameGeometry();
                const QPixmap shot =
                    page.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
                QVERIFY(shot.save(artifacts + "/converter-page.png"));
                page.sBitBtn2Click();
            });
        test::find<QPushButton>(&page, "sBitBtn1")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!page.converter().ConversionBusy, 60000);
        QVERIFY(taken);
        QCOMPARE(test::find<QLabel>(&page, "sLabel19")->text(), QString("Готово"));

        // More than a blank area: the rows' text and the bar leave many colours.
        const QImage image(artifacts + "/converter-page.png");
        QVERIFY(!image.isNull());
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                colours.insert(image.pixel(x, y));
        QVERIFY2(colours.size() > 20, qPrintable(QString::number(colours.size())));
        ui::Dialogs::stopRecording();
    }
};

QTEST_MAIN(TestConverterPicture)
#include "tst_converter_picture.moc"

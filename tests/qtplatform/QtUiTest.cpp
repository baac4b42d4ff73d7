// The Qt dialogs, file dialogs, alarm sound and program start under the
// offscreen platform, each driven the way a user would: buttons clicked,
// keys pressed, names typed into a real file dialog over a real folder.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>

#include "qtplatform/QtFileChooser.h"
#include "qtplatform/QtProcess.h"
#include "qtplatform/QtSound.h"
#include "qtplatform/QtUserPrompt.h"
#include "qtplatform/TestApplication.h"
#include "support/QtWait.h"

using namespace korvance;


namespace {

QApplication& app() { return testApplication("qtui_tests"); }

// Runs `act` on the first modal window of type W that opens. The window is
// closed after a few seconds if the action leaves it open, so a failing test
// cannot hang.
template <class W>
void onModal(std::function<void(W*)> act) {
    auto* timer = new QTimer;
    auto deadline = std::make_shared<QDeadlineTimer>(5000);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act, deadline] {
        if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(w);
            if (auto* still = qobject_cast<W*>(QApplication::activeModalWidget()); still == w) {
                QTimer::singleShot(3000, w, [w] {
                    ADD_FAILURE() << "modal window left open";
                    w->close();
                });
            }
        } else if (deadline->hasExpired()) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

QString native(const QString& s) { return QDir::cleanPath(s); }

}  // namespace

TEST(QtUserPrompt, AnswersFollowTheButtonPressedAndAMessageHasOk) {
    app();
    enum class How { Click, Escape, Close };
    struct Case {
        Buttons buttons;
        How how;
        QMessageBox::StandardButton press;
        Answer expected;
        Icon icon;
        QMessageBox::Icon qtIcon;
    };
    const Case cases[] = {
        {Buttons::YesNoCancel, How::Click, QMessageBox::Yes, Answer::Yes, Icon::Question, QMessageBox::Question},
        {Buttons::YesNoCancel, How::Click, QMessageBox::No, Answer::No, Icon::Warning, QMessageBox::Warning},
        {Buttons::YesNoCancel, How::Click, QMessageBox::Cancel, Answer::Cancel, Icon::Stop, QMessageBox::Critical},
        {Buttons::YesNoCancel, How::Escape, QMessageBox::NoButton, Answer::Cancel, Icon::Information,
         QMessageBox::Information},
        {Buttons::YesNoCancel, How::Close, QMessageBox::NoButton, Answer::Cancel, Icon::None, QMessageBox::NoIcon},
        {Buttons::YesNo, How::Escape, QMessageBox::NoButton, Answer::No, Icon::Question, QMessageBox::Question},
        {Buttons::YesNo, How::Click, QMessageBox::Yes, Answer::Yes, Icon::Question, QMessageBox::Question},
        {Buttons::OkCancel, How::Escape, QMessageBox::NoButton, Answer::Cancel, Icon::Warning, QMessageBox::Warning},
        {Buttons::OkCancel, How::Click, QMessageBox::Ok, Answer::Ok, Icon::Warning, QMessageBox::Warning},
        {Buttons::RetryCancel, How::Click, QMessageBox::Retry, Answer::Retry, Icon::Stop, QMessageBox::Critical},
        {Buttons::Ok, How::Escape, QMessageBox::NoButton, Answer::Ok, Icon::Stop, QMessageBox::Critical},
    };
    QWidget parent;
    parent.show();
    QtUserPrompt prompt(&parent);
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(&c - cases));
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QWidget* boxParent = nullptr;
        onModal<QMessageBox>([&](QMessageBox* box) {
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            boxParent = box->parentWidget();
            switch (c.how) {
                case How::Click: QTest::mouseClick(box->button(c.press), Qt::LeftButton); break;
                case How::Escape: QTest::keyClick(box, Qt::Key_Escape); break;
                case How::Close: box->close(); break;
            }
        });
        const Answer a = prompt.ask("Do you wish to save modified?", "Confirm", c.buttons, c.icon);
        EXPECT_EQ(a, c.expected);
        EXPECT_EQ(title, "Confirm");
        EXPECT_EQ(text, "Do you wish to save modified?");
        EXPECT_EQ(icon, c.qtIcon);
        EXPECT_EQ(boxParent, &parent);
    }
    // A message has the one button OK, and its caption for a title.
    qsizetype buttons = 0;
    QString title;
    onModal<QMessageBox>([&](QMessageBox* box) {
        buttons = box->buttons().size();
        title = box->windowTitle();
        QTest::keyClick(box, Qt::Key_Return);
    });
    prompt.message("/tmp/x.kvn", "GetLastError=13", Icon::Stop);
    EXPECT_EQ(buttons, 1);
    EXPECT_EQ(title, "GetLastError=13");
}

TEST(QtUserPrompt, ErrorWindowShowsTheTextReadOnly) {
    app();
    QtUserPrompt prompt;
    QString title, text;
    bool readOnly = false;
    onModal<QDialog>([&](QDialog* dlg) {
        title = dlg->windowTitle();
        if (auto* edit = dlg->findChild<QPlainTextEdit*>("errorText")) {
            text = edit->toPlainText();
            readOnly = edit->isReadOnly();
        }
        QPushButton* ok = nullptr;
        for (QPushButton* b : dlg->findChildren<QPushButton*>())
            if (b->text().remove('&') == "OK") ok = b;
        ASSERT_NE(ok, nullptr);
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    prompt.errorWindow("Waypoint overflow!");
    EXPECT_EQ(title, "Error Message");
    EXPECT_EQ(text, "Waypoint overflow!");
    EXPECT_TRUE(readOnly);
}

TEST(QtUserPrompt, WaitCursorIsCounted) {
    app();
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    {
        QtUserPrompt prompt;
        {
            WaitCursor outer(prompt);
            ASSERT_NE(QApplication::overrideCursor(), nullptr);
            EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
            {
                WaitCursor inner(prompt);
                EXPECT_EQ(prompt.waitDepth(), 2);
            }
            ASSERT_NE(QApplication::overrideCursor(), nullptr);
            EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        // An end without a begin leaves the cursors of others alone.
        QApplication::setOverrideCursor(Qt::CrossCursor);
        prompt.endWait();
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
        QApplication::restoreOverrideCursor();
        // A prompt destroyed inside a wait gives the cursor back.
        prompt.beginWait();
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtProgress, ShowsCaptionRangeAndMoves) {
    app();
    QWidget parent;
    parent.show();
    QtProgress progress(&parent);
    progress.finish();  // nothing open: harmless
    EXPECT_EQ(progress.dialog(), nullptr);

    progress.start("Download Track", 40);
    QProgressDialog* dlg = progress.dialog();
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->labelText(), "Download Track");
    EXPECT_EQ(dlg->windowTitle(), "Download Track");
    EXPECT_EQ(dlg->minimum(), 0);
    EXPECT_EQ(dlg->maximum(), 40);
    EXPECT_EQ(dlg->windowModality(), Qt::WindowModal);
    progress.setPosition(40);
    EXPECT_EQ(dlg->value(), 40);
    EXPECT_TRUE(dlg->isVisible()) << "reaching the maximum must not close the window";
    progress.setPosition(99);  // more records than announced
    EXPECT_EQ(dlg->value(), 40);

    // A second start replaces the window.
    progress.start("Upload Route", 3);
    ASSERT_NE(progress.dialog(), nullptr);
    EXPECT_EQ(progress.dialog()->maximum(), 3);
    EXPECT_EQ(parent.findChildren<QProgressDialog*>().size(), 1);

    progress.finish();
    EXPECT_EQ(progress.dialog(), nullptr);
    EXPECT_TRUE(parent.findChildren<QProgressDialog*>().isEmpty());
    // Closing the window at the end of one step (the identification) is no
    // Cancel of the next; the Cancel button is.
    EXPECT_TRUE(progress.keepGoing());
    progress.start("Downloading the track (9600 baud)", 10);
    EXPECT_TRUE(progress.keepGoing());
    QTest::mouseClick(progress.dialog()->findChild<QPushButton*>(), Qt::LeftButton);
    EXPECT_FALSE(progress.keepGoing());
    progress.finish();
    progress.finish();
    progress.setPosition(5);  // after finish: nothing to move
}

class FileChooserTest : public ::testing::Test {
protected:
    void SetUp() override {
        app();
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(touch("old.kvn"));
        ASSERT_TRUE(touch("other.kv2"));
    }
    bool touch(const QString& name) {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::WriteOnly) && f.write("KORVAN", 6) == 6;
    }
    std::string path(const QString& name) const { return dir.filePath(name).toStdString(); }

    // Types `name` into the open dialog and accepts it.
    static void typeAndAccept(QFileDialog* dlg, const QString& name) {
        auto* edit = dlg->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(edit, nullptr);
        edit->clear();
        QTest::keyClicks(edit, name);
        static_cast<QDialog*>(dlg)->accept();  // the dialog's own accept: checks the name, asks before overwriting
    }

    QTemporaryDir dir;
    QtFileChooser chooser;
    const std::vector<FileFilter> openFilters = {
        {"korvan file", "*.kvn"}, {"korvan2 file", "*.kv2"}, {"Maps", "*.lst; mapinfo.dat"}, {"All files", "*.*"}};
    const std::vector<FileFilter> saveFilters = {{"korvan file", "*.kvn"}, {"All files", "*.*"}};
};

// The stored start text of a handheld (backslashes, a file name at the end)
// selects the folder and the name; OK gives the file, Cancel nothing.
TEST_F(FileChooserTest, OpenStartsInTheFolderWithTheFirstFilter) {
    QString start = dir.filePath("old.kvn");
    start.replace('/', '\\');
    for (const bool ok : {true, false}) {
        QString folder, filter, typed;
        QStringList filters;
        bool save = true;
        onModal<QFileDialog>([&](QFileDialog* dlg) {
            folder = dlg->directory().absolutePath();
            filter = dlg->selectedNameFilter();
            filters = dlg->nameFilters();
            save = dlg->acceptMode() == QFileDialog::AcceptSave;
            if (auto* edit = dlg->findChild<QLineEdit*>("fileNameEdit")) typed = edit->text();
            if (ok) static_cast<QDialog*>(dlg)->accept();
            else QTest::keyClick(dlg, Qt::Key_Escape);
        });
        const auto chosen = chooser.chooseOpen(openFilters, start.toStdString(), "");
        EXPECT_EQ(chosen, ok ? std::optional(path("old.kvn")) : std::nullopt);
        EXPECT_EQ(native(folder), native(dir.path()));
        EXPECT_EQ(typed, "old.kvn");
        EXPECT_EQ(filter, "korvan file (*.kvn)");
        EXPECT_EQ(filters, (QStringList{"korvan file (*.kvn)", "korvan2 file (*.kv2)", "Maps (*.lst mapinfo.dat)",
                                        "All files (*)"}));
        EXPECT_FALSE(save);
    }
}

TEST_F(FileChooserTest, SaveAppendsTheDefaultExtension) {
    struct Case {
        QString typed;
        QString expected;
    };
    const Case cases[] = {{"track", "track.kvn"}, {"track.kv2", "track.kv2"}, {"new.txt", "new.txt"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        bool save = false;
        onModal<QFileDialog>([&](QFileDialog* dlg) {
            save = dlg->acceptMode() == QFileDialog::AcceptSave;
            typeAndAccept(dlg, c.typed);
        });
        const auto chosen = chooser.chooseSave(saveFilters, dir.path().toStdString(), "kvn");
        ASSERT_TRUE(chosen.has_value());
        EXPECT_EQ(*chosen, path(c.expected));
        EXPECT_TRUE(save);
    }
}

TEST_F(FileChooserTest, SaveOverAnExistingFileAsksFirst) {
    struct Case {
        QMessageBox::StandardButton answer;
        bool chosen;
    };
    for (const Case c : {Case{QMessageBox::Yes, true}, Case{QMessageBox::No, false}}) {
        SCOPED_TRACE(c.chosen);
        QString question;
        bool stillOpen = false;
        onModal<QFileDialog>([&](QFileDialog* dlg) {
            onModal<QMessageBox>([&](QMessageBox* box) {
                question = box->text();
                QAbstractButton* b = box->button(c.answer);
                ASSERT_NE(b, nullptr);
                QTest::mouseClick(b, Qt::LeftButton);
            });
            typeAndAccept(dlg, "old");
            // Refusing the question leaves the dialog open for another name.
            stillOpen = dlg->isVisible();
            if (stillOpen) dlg->reject();
        });
        const auto chosen = chooser.chooseSave(saveFilters, dir.path().toStdString(), "kvn");
        EXPECT_TRUE(question.contains("old.kvn")) << question.toStdString();
        EXPECT_EQ(chosen.has_value(), c.chosen);
        if (c.chosen) {
            EXPECT_EQ(*chosen, path("old.kvn"));
        }
        EXPECT_EQ(stillOpen, !c.chosen);
    }
    // The file itself is untouched by the choice.
    QFile f(dir.filePath("old.kvn"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("KORVAN"));
}

TEST(QtSound, MissingFilesPlayTheBuiltInAlarm) {
    app();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString wav = dir.filePath("bell.wav");
    {
        QFile f(wav);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("RIFF");
    }
    QString backslashed = wav;
    backslashed.replace('/', '\\');
    const QUrl builtIn(kBuiltInAlarm);
    struct Case {
        std::string configured;
        QUrl expected;
    };
    const Case cases[] = {
        {"", builtIn},
        {"\\Windows\\Alarm1.wav", builtIn},
        {"/Windows/Alarm1.wav", builtIn},
        {dir.path().toStdString(), builtIn},  // a folder is no sound
        {wav.toStdString(), QUrl::fromLocalFile(wav)},
        {backslashed.toStdString(), QUrl::fromLocalFile(wav)},
    };
    for (const Case& c : cases) EXPECT_EQ(alarmSourceFor(c.configured), c.expected) << c.configured;

    QtSound sound;
    const std::string setting = "\\Windows\\Alarm1.wav";
    sound.play(setting);  // false on a machine without audio output; the source is chosen either way
    EXPECT_EQ(sound.source(), builtIn);
    EXPECT_EQ(setting, "\\Windows\\Alarm1.wav");
}

TEST(QtSound, BuiltInAlarmIsAPcmWave) {
    app();
    QFile f(":/sounds/alarm.wav");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray b = f.readAll();
    ASSERT_GE(b.size(), 44);
    auto u16 = [&](int at) { return static_cast<std::uint16_t>(uchar(b[at]) | uchar(b[at + 1]) << 8); };
    auto u32 = [&](int at) { return static_cast<std::uint32_t>(u16(at) | std::uint32_t(u16(at + 2)) << 16); };
    // RIFF and its size, WAVE, a 16-byte format chunk, PCM, mono, 22050 Hz (44100 bytes a second,
    // two a frame), 16 bits, and half a second of data to the file's end.
    EXPECT_EQ(b.left(4), "RIFF");
    EXPECT_EQ(u32(4), static_cast<std::uint32_t>(b.size() - 8));
    EXPECT_EQ(b.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(b.mid(16, 24).toHex(), "10000000" "0100" "0100" "22560000" "44ac0000" "0200" "1000" "64617461");
    EXPECT_EQ(u32(40), static_cast<std::uint32_t>(b.size() - 44));
    EXPECT_EQ(u32(40), 22050u);
    // Not silence, and not clipped.
    int peak = 0;
    for (int i = 44; i + 1 < b.size(); i += 2) peak = std::max(peak, std::abs(int(std::int16_t(u16(i)))));
    EXPECT_GT(peak, 10000);
    EXPECT_LT(peak, 32767);
}

TEST(QtProcess, StartsAndDoesNotWait) {
    app();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath("started file.txt");
    QtProcess process;
    EXPECT_TRUE(process.start("/bin/sh", ("-c \"echo x > '" + out + "'\"").toStdString()));
    EXPECT_TRUE(korvance::testing::waitUntil([&] {
        QFile f(out);
        return f.open(QIODevice::ReadOnly) && f.readAll() == "x\n";
    }, 5000));
    EXPECT_FALSE(process.start((dir.path() + "/no-such-monitor").toStdString(), ""));
    EXPECT_FALSE(process.start("", "-c true"));
}

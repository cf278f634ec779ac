// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The control window against gsmprog-vmodem's control mode: what it shows and sends, its logs,
// chart and status line, and how it weathers a modem that goes away or floods it.

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPaintEvent>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "support/scripted_cable.h"
#include "ui/ctrlForm/traffic_log.h"
#include "ui/ctrlForm/voltage_chart.h"
#include "ui/window_fixture.h"

using namespace gsmprog;
using namespace gsmprog::test;

namespace {

constexpr int ReplyTimeoutMs = 5000;

template <typename T>
T* In(QWidget& window, const char* name) {
    T* control = window.findChild<T*>(QString::fromLatin1(name));
    if (!control) qFatal("no control %s", name);
    return control;
}

QString Field(TForm4& form, const char* name) { return In<QLineEdit>(form, name)->text(); }
QStringList Fields(TForm4& form) {
    return {Field(form, "simNumEdit"), Field(form, "batVolt1"), Field(form, "batVolt2"),
            Field(form, "pwrVolt")};
}
bool Checked(TForm4& form, const char* box) { return In<QCheckBox>(form, box)->isChecked(); }
QString StateLine(TForm4& form) { return In<QLabel>(form, "linkStateLabel")->text(); }
QStringList Lines(TForm4& form, const char* log) {
    return In<QPlainTextEdit>(form, log)->toPlainText().split('\n', Qt::SkipEmptyParts);
}
bool Greyed(TForm4& form, const char* field) {
    const QPalette colours = In<QLineEdit>(form, field)->palette();
    return colours.color(QPalette::Text) == colours.color(QPalette::Disabled, QPalette::Text);
}
void Click(TForm4& form, const char* button) {
    QTest::mouseClick(In<QAbstractButton>(form, button), Qt::LeftButton);
}

// "Контроль аппаратуры" in the main window; the window stays open after the click returns.
void Open(WindowFixture& f) {
    f.dialogs.onModal = [](QDialog& dialog) { dialog.open(); };
    f.Click("ctrlBtn");
    QVERIFY(QTest::qWaitForWindowExposed(&f.Control()));
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Collects the regions a widget paints.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QRegion& painted) : painted_(painted) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted_ += static_cast<QPaintEvent*>(event)->region();
        return false;
    }

private:
    QRegion& painted_;
};

const QRegularExpression TimedLine(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d > "));
// The status line of a modem that answered and then stopped, on the cable `cable`.
QRegularExpression Lost(const char* cable) {
    return QRegularExpression(QString::fromLatin1(cable) +
                              QStringLiteral(": Модем не отвечает — повтор каждую секунду \\(с "
                                             "\\d\\d:\\d\\d:\\d\\d\\)$"));
}

}  // namespace

class ControlWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void OpeningShowsTheStatusFiguresAndAChartPointPerReply() {
        WindowFixture f;
        auto modem = f.StartModem(
            {"--status-byte", "128", "--bat-off", "65535", "--bat-on", "0", "--supply", "11820"});
        TForm4& form = f.StartWithControl();
        QCOMPARE(form.windowTitle(), QStringLiteral("Контроль"));
        QCOMPARE(In<QCheckBox>(form, "uooViewCheck")->text(),
                 QStringLiteral("Просмотр обмена c УОО"));
        QCOMPARE(QList<bool>({Checked(form, "CheckBox2"), Checked(form, "CheckBox1"),
                              Checked(form, "uooViewCheck")}),
                 QList<bool>({true, false, false}));
        auto* pages = In<QTabWidget>(form, "PageControl5");
        QCOMPARE(pages->currentIndex(), 0);
        QCOMPARE(QStringList({pages->tabText(0), pages->tabText(1), pages->tabText(2)}),
                 QStringList({"Журнал обмена", "Обмен GSM", "График"}));
        QCOMPARE(In<QTimer>(form, "Timer1")->interval(), 50);
        QCOMPARE(In<QTimer>(form, "Timer2")->interval(), 1000);

        Open(f);
        QCOMPARE(f.dialogs.modals, QStringList{"Контроль"});
        QTRY_COMPARE_WITH_TIMEOUT(Fields(form), QStringList({"2", "65535", "0", "11820"}),
                                  ReplyTimeoutMs);
        QCOMPARE(StateLine(form), QStringLiteral("VMODEM1: Связь установлена"));
        QVERIFY(!Greyed(form, "batVolt1"));

        QTest::qWait(2500);
        // A reply may be on its way at any moment: compare once the window has taken every reply
        // sent so far, then close.
        const auto points = [&] { return In<VoltageChart>(form, "voltChart")->PointCount(); };
        QTRY_COMPARE_WITH_TIMEOUT(points(), Count(modem->Log(), "ответ AE 0C"), ReplyTimeoutMs);
        QVERIFY(points() >= 2);
        form.close();
    }

    void SimButtonHandshakesThenSwitchesAndTheFieldsFollow() {
        WindowFixture f;
        auto modem = f.StartModem();
        TForm4& form = f.StartWithControl();
        Open(f);
        QTRY_COMPARE_WITH_TIMEOUT(Field(form, "simNumEdit"), QStringLiteral("1"), ReplyTimeoutMs);
        const std::size_t before = modem->Log().size();
        Click(form, "sim1Btn");
        QTRY_COMPARE_WITH_TIMEOUT(Field(form, "simNumEdit"), QStringLiteral("2"), ReplyTimeoutMs);
        const std::string after = modem->Log().substr(before);
        const auto switched = after.find("запрос 51 05 AA");
        QVERIFY2(switched != std::string::npos, after.c_str());
        QVERIFY2(after.rfind("READY", switched) != std::string::npos, after.c_str());
        QCOMPARE(Count(after, "запрос 51 05 AA"), 1);
    }

    void LogsShowWhatTheirBoxesLetThroughAndSave() {
        WindowFixture f;
        auto modem =
            f.StartModem({"--traces", "20", "--ibutton-every", "1", "--outputs-every", "1"});
        TForm4& form = f.StartWithControl();
        Open(f);
        QTRY_VERIFY_WITH_TIMEOUT(!Field(form, "simNumEdit").isEmpty(), ReplyTimeoutMs);
        QTest::qWait(1500);
        QVERIFY(Lines(form, "gsmLog").isEmpty() && Lines(form, "ismLog").isEmpty());

        // What came while unchecked is gone: checking shows only what follows.
        In<QCheckBox>(form, "CheckBox1")->setChecked(true);
        In<QCheckBox>(form, "uooViewCheck")->setChecked(true);
        QTest::qWait(30);  // one tick
        QVERIFY(Lines(form, "gsmLog").size() <= 2);
        QTRY_VERIFY_WITH_TIMEOUT(
            Lines(form, "ismLog").join('\n').contains("Установлено значение выходов: "), 3000);
        // A key with its code, in the log and in the status line.
        const QString key = QStringLiteral("Получен код ключа IButton: 01 23 45 67 89 AB CD EF");
        QTRY_VERIFY_WITH_TIMEOUT(Lines(form, "ismLog").join('\n').contains(key), 3000);
        QVERIFY2(StateLine(form).contains(QRegularExpression(
                     "^VMODEM1: Связь установлена\\. \\d\\d:\\d\\d:\\d\\d " + key + "$")),
                 qPrintable(StateLine(form)));
        const QStringList gsm = Lines(form, "gsmLog"), ism = Lines(form, "ismLog");
        QVERIFY(gsm.size() > 5);
        for (const QString& line : gsm + ism) {
            QVERIFY2(line.contains(TimedLine), qPrintable(line));
            QVERIFY2(!line.contains("X("), qPrintable(line));  // raw bytes stay out
        }
        QVERIFY(gsm.join('\n').contains(" > TX: AT+CSQ"));
        QVERIFY(ism.join('\n').contains(" > TX: 01 10 00 "));

        const QString saved = QString::fromStdString((f.Dir() / "gsm.txt").string());
        f.dialogs.fileNames.push_back(saved);
        for (QAction* action : In<QPlainTextEdit>(form, "gsmLog")->findChildren<QAction*>())
            if (action->text() == "Сохранить в файл...") action->trigger();
        QCOMPARE(f.dialogs.proposedNames, QStringList{"Обмен GSM.txt"});
        std::ifstream file(saved.toStdString(), std::ios::binary);
        const std::string text(std::istreambuf_iterator<char>(file), {});
        QCOMPARE(QString::fromUtf8(text), In<QPlainTextEdit>(form, "gsmLog")->toPlainText() + "\n");

        // Reopened: the device log starts empty, the GSM log goes on.
        form.close();
        const int gsmKept = Lines(form, "gsmLog").size();
        Open(f);
        QVERIFY(Lines(form, "ismLog").isEmpty());
        QVERIFY(Lines(form, "gsmLog").size() >= gsmKept);
        Click(form, "Button2");
        QTest::qWait(20);
        QVERIFY(Lines(form, "gsmLog").size() <= 2);
    }

    void PollingOffSendsNothingYetAnUnaskedStatusShowsAndSilenceRedoesTheHandshake() {
        ScriptedCable cable;
        cable.Reply(ToBytes("CTRL_SETUP_GSMA"), ToBytes("READY"));
        ScriptedDialogs dialogs;
        TForm4 form(dialogs, Hardware{cable, SystemClock()});
        In<QCheckBox>(form, "CheckBox2")->setChecked(false);
        form.show();
        QTRY_COMPARE_WITH_TIMEOUT(StateLine(form), QStringLiteral("Связь установлена"),
                                  ReplyTimeoutMs);
        QTest::qWait(1500);
        const auto handshakes = [&] { return int(cable.Writes().size()); };

        cable.Deliver({0xAE, 0x0C, 0x80, 0x10, 0x0E, 0x74, 0x0E, 0x2C, 0x2E, 0xCC});
        QTRY_COMPARE_WITH_TIMEOUT(Fields(form), QStringList({"2", "3600", "3700", "11820"}), 1000);

        // More than five whole seconds after that last event the handshake comes again.
        const int atStatus = handshakes();
        QTest::qWait(4800);
        QCOMPARE(handshakes(), atStatus);
        QTRY_COMPARE_WITH_TIMEOUT(handshakes(), atStatus + 1, 2500);
        for (const Bytes& written : cable.Writes())
            QCOMPARE(Printable(written), Printable(ToBytes("CTRL_SETUP_GSMA")));
    }

    void ClosedWhileNoCableTheLinkStaysClosedAndReopeningConnects() {
        WindowFixture f;
        TForm4& form = f.StartWithControl();
        Open(f);
        QTRY_VERIFY_WITH_TIMEOUT(StateLine(form).contains(QRegularExpression(QStringLiteral(
                                     "^\\d\\d:\\d\\d:\\d\\d Кабель FTDI не найден\\.$"))),
                                 5000);
        form.close();  // the link waits between open attempts now
        auto modem = f.StartModem();
        QTest::qWait(3500);
        QCOMPARE(Count(modem->Log(), "READY"), 0);

        Open(f);
        QCOMPARE(StateLine(form), QStringLiteral("VMODEM1: Нет связи"));
        QTRY_COMPARE_WITH_TIMEOUT(Field(form, "simNumEdit"), QStringLiteral("1"), 2500);
        QCOMPARE(StateLine(form), QStringLiteral("VMODEM1: Связь установлена"));
    }

    void ModemGoneShowsTheFailureGreysTheFieldsAndReopeningRecovers() {
        WindowFixture f;
        auto modem = f.StartModem({"--supply", "12500"});
        TForm4& form = f.StartWithControl();
        Open(f);
        QTRY_COMPARE_WITH_TIMEOUT(Field(form, "pwrVolt"), QStringLiteral("12500"), ReplyTimeoutMs);
        modem->Stop();
        QTRY_VERIFY_WITH_TIMEOUT(StateLine(form).contains(Lost("VMODEM1")), ReplyTimeoutMs);
        QVERIFY(In<QLabel>(form, "linkStateLabel")->styleSheet().contains("color"));
        for (const char* field : {"simNumEdit", "batVolt1", "batVolt2", "pwrVolt"})
            QVERIFY(Greyed(form, field));
        QCOMPARE(Field(form, "pwrVolt"), QStringLiteral("12500"));
        Click(form, "Button1");  // the window still answers
        QVERIFY(form.isVisible());

        modem = f.StartModem({"--supply", "11000"});
        form.close();
        Open(f);
        QTRY_COMPARE_WITH_TIMEOUT(Field(form, "pwrVolt"), QStringLiteral("11000"), ReplyTimeoutMs);
        QVERIFY(!Greyed(form, "pwrVolt"));
        QCOMPARE(StateLine(form), QStringLiteral("VMODEM1: Связь установлена"));
    }

    // The window stays open while the modem on the chosen cable is ended and started again:
    // it names the missing cable, keeps the SIM button off, and finds the new modem alone.
    void RestartedModemIsFoundAgainOnTheChosenCable() {
        WindowFixture f;
        auto first = f.StartModem({}, "VMODEM1");
        auto chosen = f.StartModem({"--supply", "12500"}, "VMODEM2");
        TForm4& form = f.StartWithControl();
        f.Form().FtdiSerial = "VMODEM2";  // chosen in "Выбор FTDI" for an earlier operation
        Open(f);
        QVERIFY(!In<QWidget>(form, "sim1Btn")->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(Field(form, "pwrVolt"), QStringLiteral("12500"), ReplyTimeoutMs);
        QCOMPARE(StateLine(form), QStringLiteral("VMODEM2: Связь установлена"));
        QVERIFY(In<QWidget>(form, "sim1Btn")->isEnabled());

        chosen->Stop();
        // One line while it is gone; what the retries run into is under the pointer.
        const QRegularExpression missing(
            QStringLiteral("^\\d\\d:\\d\\d:\\d\\d Кабель FTDI не найден\\.$"));
        auto* line = In<QLabel>(form, "linkStateLabel");
        QTRY_VERIFY2_WITH_TIMEOUT(line->toolTip().contains(missing), qPrintable(line->toolTip()),
                                  ReplyTimeoutMs);
        QVERIFY2(StateLine(form).contains(Lost("VMODEM2")), qPrintable(StateLine(form)));
        QVERIFY(!In<QWidget>(form, "sim1Btn")->isEnabled());

        chosen = f.StartModem({"--supply", "11000"}, "VMODEM2");
        QTRY_COMPARE_WITH_TIMEOUT(Field(form, "pwrVolt"), QStringLiteral("11000"), ReplyTimeoutMs);
        QCOMPARE(StateLine(form), QStringLiteral("VMODEM2: Связь установлена"));
        QVERIFY(line->styleSheet().isEmpty() && line->toolTip().isEmpty());
        // The chart does not bridge the time the modem was gone.
        QCOMPARE(In<VoltageChart>(form, "voltChart")->RunCount(), 2);
        QVERIFY(In<QWidget>(form, "sim1Btn")->isEnabled());
        QVERIFY(form.isVisible());
        // The first cable listed was never polled.
        QCOMPARE(Count(first->Log(), "READY"), 0);
    }

    void AChattyModemDoesNotMakeTheLogsLag() {
        WindowFixture f;
        auto modem = f.StartModem({"--traces", "1000"});
        TForm4& form = f.StartWithControl();
        In<QCheckBox>(form, "CheckBox1")->setChecked(true);
        In<QCheckBox>(form, "uooViewCheck")->setChecked(true);
        Open(f);
        QTRY_VERIFY_WITH_TIMEOUT(!Field(form, "simNumEdit").isEmpty(), ReplyTimeoutMs);
        const int points = In<VoltageChart>(form, "voltChart")->PointCount();
        const int lines = Lines(form, "gsmLog").size() + Lines(form, "ismLog").size();
        QTest::qWait(3000);
        // A reader of one event per tick would show under 150 traces in that time.
        QVERIFY2(Lines(form, "gsmLog").size() + Lines(form, "ismLog").size() - lines > 1500,
                 qPrintable(QString::number(Lines(form, "gsmLog").size())));
        QVERIFY(In<VoltageChart>(form, "voltChart")->PointCount() - points >= 2);
    }

    void EveryLineOfALogCanBeScrolledTo() {
        ScriptedDialogs dialogs;
        QPlainTextEdit view;
        view.resize(400, 200);
        view.setReadOnly(true);
        view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        view.setLineWrapMode(QPlainTextEdit::NoWrap);
        TrafficLog log(view, dialogs, QStringLiteral("Обмен УОО.txt"));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QScrollBar* bar = view.verticalScrollBar();
        int next = 0;
        const auto ticks = [&](int count) {
            for (int tick = 0; tick < count; ++tick) {
                for (int i = 0; i < 1; ++i) log.Add(QStringLiteral("12:00:00"), QString::number(next++));
                log.Flush();
                QTest::qWait(10);
            }
        };
        ticks(40);
        view.hide();  // another tab of the window is in front
        ticks(40);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        ticks(40);
        qDebug() << "max" << bar->maximum() << "value" << bar->value() << "blocks" << view.document()->blockCount();
        bar->setValue(0);
        QCOMPARE(view.cursorForPosition(QPoint(2, 2)).block().text(), QStringLiteral("12:00:00 > 0"));
        QVERIFY(bar->maximum() > next - 20);
    }

    void ALogKeepsItsNewestLinesAndFollowsThemWhileAtItsEnd() {
        ScriptedDialogs dialogs;
        QPlainTextEdit view;
        view.resize(400, 200);
        TrafficLog log(view, dialogs, QStringLiteral("Обмен GSM.txt"));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QScrollBar* bar = view.verticalScrollBar();
        const auto tick = [&](int first, int count) {
            for (int i = first; i < first + count; ++i)
                log.Add(QStringLiteral("12:00:00"), QString::number(i));
            log.Flush();
        };
        tick(0, 1);
        QCOMPARE(view.toPlainText(), QStringLiteral("12:00:00 > 0"));
        for (int first = 1; first < TrafficLog::MostLines + 50; first += 99)
            tick(first, std::min(99, TrafficLog::MostLines + 50 - first));
        QStringList lines = view.toPlainText().split('\n');
        QCOMPARE(lines.size(), TrafficLog::MostLines);
        QCOMPARE(lines.front(), QStringLiteral("12:00:00 > 50"));
        QCOMPARE(lines.back(), QStringLiteral("12:00:00 > 10049"));
        QCOMPARE(bar->value(), bar->maximum());

        bar->setValue(bar->maximum() / 2);  // the installer reads older lines
        const int reading = bar->value();
        tick(20000, 3);
        QCOMPARE(bar->value(), reading - 3);  // the same lines stay in view
        bar->setValue(bar->maximum());
        tick(20003, 1);
        QCOMPARE(bar->value(), bar->maximum());
        QCOMPARE(view.document()->lastBlock().text(), QStringLiteral("12:00:00 > 20003"));

        // More than a log holds in one tick: the newest of them.
        tick(30000, TrafficLog::MostLines + 2);
        lines = view.toPlainText().split('\n');
        QCOMPARE(lines.size(), TrafficLog::MostLines);
        QCOMPARE(lines.front(), QStringLiteral("12:00:00 > 30002"));
        log.Clear();
        tick(0, 2);
        QCOMPARE(view.toPlainText(), QStringLiteral("12:00:00 > 0\n12:00:00 > 1"));
        view.hide();  // a log on a page not shown takes its lines the same
        tick(2, 2);
        QCOMPARE(view.toPlainText().split('\n').size(), 4);
        QCOMPARE(view.document()->lastBlock().text(), QStringLiteral("12:00:00 > 3"));
    }

    void ALogAtItsEndRepaintsOnlyWhatATickChanges() {
        ScriptedDialogs dialogs;
        QPlainTextEdit view;
        view.setLineWrapMode(QPlainTextEdit::NoWrap);
        view.resize(400, 200);
        TrafficLog log(view, dialogs, QStringLiteral("Обмен GSM.txt"));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QRegion painted;
        PaintWatch watch(painted);
        view.viewport()->installEventFilter(&watch);
        int next = 0;
        const auto tick = [&](int count) {
            for (const int end = next + count; next < end; ++next)
                log.Add(QStringLiteral("12:00:00"), QString::number(next));
            log.Flush();
        };
        tick(100);  // more than the view shows
        const int lineHeight = view.fontMetrics().lineSpacing();
        for (const int count : {1, 3}) {
            QTRY_VERIFY(!painted.isEmpty());
            painted = QRegion();
            tick(count);
            QTRY_VERIFY(!painted.isEmpty());
            // The rest is moved up as it stands: what is painted is the lines added, the line
            // they follow and the document's margin.
            const int most = (count + 2) * lineHeight + int(view.document()->documentMargin());
            QVERIFY2(painted.boundingRect().height() <= most,
                     qPrintable(QStringLiteral("%1 of %2, line %3").arg(painted.boundingRect().height()).arg(view.viewport()->height()).arg(lineHeight)));
            QCOMPARE(view.document()->lastBlock().text(), "12:00:00 > " + QString::number(next - 1));
        }

        // The scroll bar is repainted only when its handle moves.
        QRegion barPainted;
        PaintWatch barWatch(barPainted);
        QScrollBar* bar = view.verticalScrollBar();
        bar->installEventFilter(&barWatch);
        for (const int value : {bar->maximum() / 2, bar->maximum()}) {
            barPainted = QRegion();
            bar->setValue(value);
            QTRY_VERIFY(!barPainted.isEmpty());
        }
        painted = barPainted = QRegion();
        tick(1);
        QTRY_VERIFY(!painted.isEmpty());
        QCOMPARE(bar->value(), bar->maximum());
        QVERIFY(barPainted.isEmpty());
    }
};

QTEST_MAIN(ControlWindowTest)
#include "control_window_test.moc"

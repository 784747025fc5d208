// The real window under a real X server, bound to the real monitor and probes,
// watching real child processes.
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <climits>
#include <cstdint>
#include <functional>
#include <vector>

#include "text/gbk.h"
#include "ui/canvas.h"

namespace tessivo {
namespace {

QString q(const char* utf8) { return QString::fromUtf8(utf8); }

// Processes events until the condition holds; false when it never did. The
// limit only keeps a broken build from hanging, it is not a measurement.
bool wait_until(const std::function<bool()>& condition, int limit_ms = 20000) {
    QDeadlineTimer deadline(limit_ms);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QTest::qWait(5);
    }
    return true;
}

std::vector<QMessageBox*> open_message_boxes() {
    std::vector<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible()) {
            boxes.push_back(box);
        }
    }
    return boxes;
}

// A real target: /bin/sleep, killed when the test ends.
class ChildProcess {
public:
    ChildProcess() {
        process_.start(QStringLiteral("/bin/sleep"), {QStringLiteral("1000")});
        process_.waitForStarted();
    }
    ~ChildProcess() {
        process_.kill();
        process_.waitForFinished();
    }
    QString id_text() const { return QString::number(process_.processId()); }

private:
    QProcess process_;
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(log_dir_.isValid());
        window_ = std::make_unique<MainWindow>(log_folder());
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }
    void TearDown() override {
        window_->close();
        window_.reset();
    }

    std::string log_folder() const { return (log_dir_.path() + QChar('/')).toStdString(); }

    template <class Control>
    Control* control(const char* name) {
        auto* found = window_->findChild<Control*>(q(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QLineEdit* process_id_box() { return control<QLineEdit>("编辑框进程ID"); }
    QLineEdit* interval_box() { return control<QLineEdit>("编辑框速度"); }
    QPushButton* start_button() { return control<QPushButton>("按钮开始监控"); }
    QPlainTextEdit* record_box() { return control<QPlainTextEdit>("编辑框文本显示"); }
    QLabel* label(const char* name) { return control<QLabel>(name); }

    // Starts a run on the child with the given interval text.
    void start_run(const ChildProcess& child, const char* interval) {
        process_id_box()->setText(child.id_text());
        interval_box()->setText(q(interval));
        start_button()->click();
        ASSERT_EQ(start_button()->text(), q("正在监控"));
    }

    QStringList log_files() const {
        return QDir(log_dir_.path()).entryList({QStringLiteral("*.txt")}, QDir::Files);
    }

    QTemporaryDir log_dir_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, EveryControlSitsAtItsPlaceWithItsSize) {
    struct Place {
        const char* name;
        QRect geometry;
    };
    const Place places[] = {
        {"图片框1", {273, 38, 35, 35}},       {"画板2", {1, 105, 480, 207}},
        {"标签用时", {3, 338, 325, 25}},      {"选择框变化时抓取", {171, 75, 117, 26}},
        {"选择框置顶", {346, 340, 48, 24}},   {"标签初始cpu", {183, 312, 181, 25}},
        {"标签初始内存", {3, 312, 181, 25}},  {"按钮开始监控", {401, 331, 80, 32}},
        {"编辑框速度", {58, 74, 62, 25}},     {"标签进程名", {58, 5, 254, 32}},
        {"标签2", {3, 12, 48, 25}},           {"编辑框进程ID", {58, 43, 160, 25}},
        {"标签1", {3, 43, 48, 25}},           {"标签4", {3, 74, 165, 25}},
        {"编辑框文本显示", {312, 4, 167, 98}}, {"画板1", {1, 105, 480, 207}},
    };
    for (const Place& place : places) {
        auto* widget = control<QWidget>(place.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), place.geometry) << place.name;
        EXPECT_EQ(widget->isVisible(), std::string_view(place.name) != "画板1") << place.name;
    }
    EXPECT_EQ(window_->size(), QSize(CLIENT_WIDTH, CLIENT_HEIGHT));
}

TEST_F(MainWindowTest, StartsWithTheLayoutsTextsChecksColoursAndFonts) {
    struct Text {
        const char* name;
        const char* text;
    };
    const Text texts[] = {
        {"标签用时", "监控时间："},       {"标签初始cpu", "初始cpu："},
        {"标签初始内存", "初始内存："},   {"标签进程名", "Quilvane.exe"},
        {"标签2", "进程名:"},             {"标签1", "进程ID:"},
        {"标签4", "速度:             毫秒"},
    };
    for (const Text& text : texts) {
        EXPECT_EQ(label(text.name)->text(), q(text.text)) << text.name;
    }
    EXPECT_EQ(process_id_box()->text(), q("00000"));
    EXPECT_EQ(interval_box()->text(), q("300"));
    EXPECT_EQ(start_button()->text(), q("开始监控"));
    EXPECT_EQ(control<QCheckBox>("选择框变化时抓取")->text(), q("仅在变化时记录"));
    EXPECT_FALSE(control<QCheckBox>("选择框变化时抓取")->isChecked());
    EXPECT_EQ(control<QCheckBox>("选择框置顶")->text(), q("置顶"));
    EXPECT_TRUE(control<QCheckBox>("选择框置顶")->isChecked());
    EXPECT_TRUE(record_box()->toPlainText().endsWith(
        q("\n\n本软件主要用于监控目标程序内存溢出，一些程序运行越久越大，有了本工具就能较为方便的对程序进行监控记录！")));
    EXPECT_TRUE(record_box()->toPlainText().contains(QString::fromStdString(log_folder())))
        << "the note names the log folder";

    const QColor red(255, 0, 0);
    EXPECT_EQ(process_id_box()->palette().color(QPalette::Text), red);
    EXPECT_EQ(label("标签进程名")->palette().color(QPalette::WindowText), red);
    EXPECT_NE(interval_box()->palette().color(QPalette::Text), red);
    EXPECT_NE(label("标签1")->palette().color(QPalette::WindowText), red);

    struct Height {
        const char* name;
        int pixels;  // 0: the default GUI font
    };
    const Height heights[] = {
        {"编辑框文本显示", 12}, {"标签用时", 14},     {"标签初始cpu", 14},
        {"标签初始内存", 14},   {"标签2", 14},        {"标签1", 14},
        {"标签4", 14},          {"编辑框进程ID", 14}, {"标签进程名", 16},
        {"编辑框速度", 16},     {"选择框变化时抓取", 0}, {"选择框置顶", 0},
        {"按钮开始监控", 0},
    };
    for (const Height& height : heights) {
        const QFont font = control<QWidget>(height.name)->font();
        if (height.pixels == 0) {
            EXPECT_EQ(font, QApplication::font()) << height.name;
        } else {
            EXPECT_EQ(font.pixelSize(), height.pixels) << height.name;
        }
    }
}

TEST_F(MainWindowTest, IsAFixedOnTopWindowWithoutMaximiseCentredWithTimersStopped) {
    EXPECT_EQ(window_->windowTitle(), q("Tessivo2.0"));
    const Qt::WindowFlags flags = window_->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window_->minimumSize(), window_->maximumSize());

    const QRect screen = window_->screen()->geometry();
    EXPECT_NEAR(window_->frameGeometry().center().x(), screen.center().x(), 40);
    EXPECT_NEAR(window_->frameGeometry().center().y(), screen.center().y(), 40);

    for (const char* name : {"时钟1", "时钟计时"}) {
        auto* timer = control<QTimer>(name);
        ASSERT_NE(timer, nullptr);
        EXPECT_FALSE(timer->isActive()) << name;
    }
}

TEST_F(MainWindowTest, TheOnTopBoxTakesTheWindowOutOfTheTopLayerAndBack) {
    auto* on_top = control<QCheckBox>("选择框置顶");
    QTest::mouseClick(on_top, Qt::LeftButton);
    EXPECT_FALSE(on_top->isChecked());
    EXPECT_FALSE(window_->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window_->isVisible());
    QTest::mouseClick(on_top, Qt::LeftButton);
    EXPECT_TRUE(window_->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window_->isVisible());
}

TEST_F(MainWindowTest, TheVisibleCanvasShowsTheGridInsideItsFrame) {
    // Canvas pixel = drawable pixel + the 2-pixel frame.
    const QImage shown = control<QWidget>("画板2")->grab().toImage();
    const QColor dark_green(0, 128, 0);
    const QColor black(0, 0, 0);
    struct Pixel {
        const char* what;
        QPoint at;
        QColor colour;
    };
    const Pixel pixels[] = {
        {"vertical grid line x=10", {12, 7}, dark_green},
        {"horizontal grid line y=100", {7, 102}, dark_green},
        {"crossing at 200,200", {202, 202}, dark_green},
        {"between lines", {7, 7}, black},
        {"between lines, last drawable pixel", {477, 204}, black},
        {"frame below the drawable area", {100, 205}, QColor()},
    };
    for (const Pixel& pixel : pixels) {
        if (pixel.colour.isValid()) {
            EXPECT_EQ(shown.pixelColor(pixel.at), pixel.colour) << pixel.what;
        } else {
            EXPECT_NE(shown.pixelColor(pixel.at), black) << pixel.what;
        }
    }
}

TEST_F(MainWindowTest, DrawingReachesTheVisibleCanvasOnlyThroughPresent) {
    ChartSurface& chart = window_->chart();
    EXPECT_EQ(chart.width(), 480);
    EXPECT_EQ(chart.height(), 207);
    auto* visible = static_cast<Canvas*>(control<QWidget>("画板2"));
    auto* drawing = static_cast<Canvas*>(control<QWidget>("画板1"));
    const QImage before = visible->image();

    chart.clear();
    chart.set_pen_colour(CPU_COLOUR);
    chart.draw_line(0, 5, 475, 5);
    chart.draw_line(-100000, 50, 2000000000, 50);  // clipped, never an error
    chart.draw_line(3, -40, 3, 300);
    EXPECT_EQ(visible->image(), before);
    EXPECT_EQ(drawing->image().pixelColor(100, 5), QColor(255, 0, 0));
    EXPECT_EQ(drawing->image().pixelColor(100, 50), QColor(255, 0, 0));
    EXPECT_EQ(drawing->image().pixelColor(3, 0), QColor(255, 0, 0));
    EXPECT_EQ(drawing->image().pixelColor(100, 6), QColor(0, 0, 0)) << "one pixel wide";

    chart.present();
    EXPECT_EQ(visible->image(), drawing->image());
    const QImage shown = visible->grab().toImage();
    EXPECT_EQ(shown.pixelColor(102, 7), QColor(255, 0, 0));
    EXPECT_NE(shown.pixelColor(0, 7), QColor(255, 0, 0)) << "the frame is not drawn over";
}

// Level and upright lines are written into the image by hand; they must give
// the pixels the painter gives, ends, clipping and far coordinates included.
TEST_F(MainWindowTest, LevelAndUprightLinesHaveThePaintersPixels) {
    ChartSurface& chart = window_->chart();
    auto* drawing = static_cast<Canvas*>(control<QWidget>("画板1"));
    const int32_t far = 2000000000;
    const int32_t ends[] = {INT32_MIN, -far, -100000, -1, 0, 1, 9, 202, 203, 207, 475, 476, 480, far, INT32_MAX};
    const int32_t rows[] = {INT32_MIN, -1, 0, 100, 202, 203, INT32_MAX};
    struct Line {
        int32_t x1, y1, x2, y2;
    };
    std::vector<Line> lines;
    for (const int32_t row : rows) {
        for (const int32_t a : ends) {
            for (const int32_t b : ends) {
                lines.push_back({a, row, b, row});  // level
                lines.push_back({row, a, row, b});  // upright
            }
        }
    }
    for (const Line& line : lines) {
        chart.clear();
        chart.set_pen_colour(GRID_COLOUR);
        chart.draw_line(line.x1, line.y1, line.x2, line.y2);

        QImage expected(drawing->image().size(), QImage::Format_RGB32);
        expected.fill(QColor(0, 0, 0));
        QPainter painter(&expected);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        QPen pen(QColor(0, 128, 0));
        pen.setWidth(1);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.drawLine(line.x1, line.y1, line.x2, line.y2);
        painter.end();
        ASSERT_EQ(drawing->image(), expected)
            << line.x1 << "," << line.y1 << " to " << line.x2 << "," << line.y2;
    }
}

// The tick's order: the grid is presented alone, the curves go on top, then
// all is presented; the visible canvas keeps each picture until the next.
TEST_F(MainWindowTest, EachPresentKeepsItsPictureWhileTheDrawingGoesOn) {
    ChartSurface& chart = window_->chart();
    auto* visible = static_cast<Canvas*>(control<QWidget>("画板2"));
    auto* drawing = static_cast<Canvas*>(control<QWidget>("画板1"));
    for (int tick = 0; tick < 3; ++tick) {
        chart.clear();
        chart.set_pen_colour(GRID_COLOUR);
        chart.draw_line(0, 10 + tick, 475, 10 + tick);
        chart.present();
        const QImage grid_only = drawing->image().copy();
        EXPECT_EQ(visible->image(), grid_only);

        chart.set_pen_colour(CPU_COLOUR);
        chart.draw_line(0, 0, 100, 150);  // slanted: drawn by the painter
        chart.draw_line(5, 60, 5, 70);
        EXPECT_EQ(visible->image(), grid_only) << "tick " << tick;
        EXPECT_EQ(drawing->image().pixelColor(5, 65), QColor(255, 0, 0));
        EXPECT_EQ(drawing->image().pixelColor(0, 0), QColor(255, 0, 0));

        chart.present();
        const QImage whole = drawing->image().copy();
        EXPECT_EQ(visible->image(), whole);
        chart.clear();
        EXPECT_EQ(visible->image(), whole) << "tick " << tick;
        EXPECT_EQ(drawing->image().pixelColor(5, 65), QColor(0, 0, 0));
    }
}

// The pane keeps the GBK length of its text; it must be the length of text().
TEST_F(MainWindowTest, RecordPaneKnowsTheGbkLengthOfItsText) {
    RecordPane& pane = window_->pane();
    struct Step {
        const char* what;
        bool set;  // set_text, else append_at_end
        std::string text;
    };
    const Step steps[] = {
        {"a record", true, "内存:12345 K CPU:-2 %"},
        {"CR LF and a record", false, "\r\n内存:12,346 K CPU:0.52 %"},
        {"a lone LF", false, "a\nb"},
        {"a lone CR", false, "c\rd"},
        {"a no-break space", false, "e\u00A0f"},
        {"line and paragraph separators", false, "g\u2028h\u2029i"},
        {"a byte that is not UTF-8", false, "j\xFFk"},
        {"outside GBK", false, "\U0001F600 ü"},
        {"set again", true, "一\r\ntwo"},
        {"a tab", false, "\t3"},
        {"a record", false, "\r\n内存:1 K CPU:0 %"},
    };
    for (const Step& step : steps) {
        if (step.set) {
            pane.set_text(step.text);
        } else {
            pane.append_at_end(step.text);
        }
        EXPECT_EQ(pane.gbk_length(), gbk_length(pane.text())) << step.what;
    }
    record_box()->appendPlainText(q("某人"));  // a change the pane did not make
    EXPECT_EQ(pane.gbk_length(), gbk_length(pane.text()));
    pane.append_at_end("\r\nz");
    EXPECT_EQ(pane.gbk_length(), gbk_length(pane.text()));
}

TEST_F(MainWindowTest, RecordPaneSpeaksCrLfAndIsReadOnlyButCopyable) {
    RecordPane& pane = window_->pane();
    pane.set_text("一\r\ntwo");
    EXPECT_EQ(pane.text(), "一\r\ntwo");
    pane.append_at_end("\r\n内存:1 K CPU:0 %");
    EXPECT_EQ(pane.text(), "一\r\ntwo\r\n内存:1 K CPU:0 %");
    EXPECT_EQ(record_box()->blockCount(), 3);
    EXPECT_EQ(record_box()->textCursor().position(), record_box()->document()->characterCount() - 1)
        << "caret at the end";
    EXPECT_FALSE(record_box()->document()->isUndoAvailable());

    record_box()->setFocus();
    QTest::keyClicks(record_box(), "typed");
    QTest::keyClick(record_box(), Qt::Key_Backspace);
    EXPECT_EQ(pane.text(), "一\r\ntwo\r\n内存:1 K CPU:0 %");

    record_box()->selectAll();
    record_box()->copy();
    EXPECT_EQ(QApplication::clipboard()->text(), q("一\ntwo\n内存:1 K CPU:0 %"));
    EXPECT_EQ(record_box()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(record_box()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST_F(MainWindowTest, ARunThroughTheButtonRecordsAChildIntoThePaneAndItsLog) {
    ChildProcess child;
    start_run(child, "20");
    EXPECT_TRUE(control<QTimer>("时钟1")->isActive());
    EXPECT_TRUE(control<QTimer>("时钟计时")->isActive());
    EXPECT_EQ(label("标签进程名")->text(), q("sleep"));
    const QString initial_memory = label("标签初始内存")->text();
    EXPECT_TRUE(initial_memory.startsWith(q("初始内存：")) && initial_memory.endsWith(QChar('K')))
        << initial_memory.toStdString();
    EXPECT_NE(initial_memory, q("初始内存：0K")) << "the child has private memory";
    EXPECT_TRUE(label("标签初始cpu")->text().startsWith(q("初始cpu：")));
    EXPECT_TRUE(label("标签初始cpu")->text().endsWith(QChar('%')));

    // The initial record and then tick records, one per line.
    EXPECT_TRUE(wait_until([&] { return record_box()->toPlainText().count(q("内存:")) >= 4; }));
    ASSERT_EQ(log_files().size(), 1);
    EXPECT_TRUE(log_files().front().endsWith(q("-ID") + child.id_text() + q(".txt")));

    start_button()->click();
    EXPECT_EQ(start_button()->text(), q("开始监控"));
    EXPECT_FALSE(control<QTimer>("时钟1")->isActive());
    EXPECT_FALSE(control<QTimer>("时钟计时")->isActive());
    EXPECT_EQ(window_->monitor().state().log_file, NO_LOG_FILE);

    QFile log(log_dir_.filePath(log_files().front()));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const std::string text = gbk_to_utf8(log.readAll().toStdString());
    EXPECT_NE(text.find("\r\n初始记录\r\n内存:"), std::string::npos);
    EXPECT_NE(text.find(" %\r\n------------------\r\n\r\n"), std::string::npos);
}

TEST_F(MainWindowTest, AZeroProcessIdAtTheStartOnlyShowsTheMessage) {
    QString title;
    QTimer::singleShot(0, [&] {
        const auto boxes = open_message_boxes();
        if (!boxes.empty()) {
            title = boxes.front()->windowTitle();
            EXPECT_EQ(boxes.front()->text(), q("请填写有效进程ID!"));
            boxes.front()->accept();
        }
    });
    start_button()->click();  // returns once the message is dismissed
    EXPECT_EQ(title, q("信息："));
    EXPECT_EQ(start_button()->text(), q("开始监控"));
    EXPECT_FALSE(control<QTimer>("时钟1")->isActive());
    EXPECT_TRUE(log_files().isEmpty());
}

TEST_F(MainWindowTest, TheTicksMissingIdMessageIsShownOnceNotStacked) {
    ChildProcess child;
    start_run(child, "10");
    auto* sampling_timer = control<QTimer>("时钟1");
    auto* elapsed_timer = control<QTimer>("时钟计时");
    elapsed_timer->setInterval(1);
    int elapsed_events = 0;
    QObject::connect(elapsed_timer, &QTimer::timeout, [&] { ++elapsed_events; });

    // While the box is open the timers keep running; after several events the
    // open boxes are counted, the id is put back and the box dismissed.
    int events_at_open = -1;
    int watcher_runs = 0;  // a way out should the events stop
    std::size_t boxes_seen = 0;
    QString title;
    bool sampling_went_on = false;
    bool dismissed = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        const auto boxes = open_message_boxes();
        if (dismissed || boxes.empty()) {
            return;
        }
        if (events_at_open < 0) {
            events_at_open = elapsed_events;
        } else if (elapsed_events - events_at_open >= 10 || ++watcher_runs > 4000) {
            boxes_seen = boxes.size();
            title = boxes.front()->windowTitle();
            EXPECT_EQ(boxes.front()->text(), q("请填写进程ID"));
            sampling_went_on = sampling_timer->isActive();
            process_id_box()->setText(child.id_text());
            dismissed = true;
            for (QMessageBox* box : boxes) {
                box->accept();
            }
        }
    });
    watcher.start(2);
    process_id_box()->setText(q("0"));
    EXPECT_TRUE(wait_until([&] { return dismissed; }));
    watcher.stop();
    EXPECT_GE(elapsed_events - events_at_open, 10) << "the event loop ran while the box was open";
    EXPECT_EQ(boxes_seen, 1U);
    EXPECT_EQ(title, q("信息："));
    EXPECT_TRUE(sampling_went_on);
    EXPECT_TRUE(wait_until([] { return open_message_boxes().empty(); }));
    start_button()->click();
    EXPECT_EQ(start_button()->text(), q("开始监控"));
}

TEST_F(MainWindowTest, TheElapsedLabelCountsTimerEventsAndStartsAgainAfterAStop) {
    ChildProcess child;
    auto* elapsed_timer = control<QTimer>("时钟计时");
    QLabel* elapsed = label("标签用时");
    QStringList shown;  // the label after each event, in order
    QObject::connect(elapsed_timer, &QTimer::timeout, [&] { shown << elapsed->text(); });

    start_run(child, "0");  // no sampling: only the elapsed time runs
    EXPECT_FALSE(control<QTimer>("时钟1")->isActive());
    elapsed_timer->setInterval(1);  // one event stands for one second
    EXPECT_TRUE(wait_until([&] { return shown.size() >= 61; }));
    start_button()->click();
    ASSERT_GE(shown.size(), 61);
    EXPECT_EQ(shown[0], q("监控时间：1秒"));
    EXPECT_EQ(shown[58], q("监控时间：59秒"));
    EXPECT_EQ(shown[59], q("监控时间：1分0秒"));
    EXPECT_EQ(shown[60], q("监控时间：1分1秒"));
    EXPECT_EQ(elapsed->text(), shown.back()) << "a stop keeps the last time shown";

    shown.clear();
    start_run(child, "0");
    elapsed_timer->setInterval(1);
    EXPECT_TRUE(wait_until([&] { return !shown.empty(); }));
    start_button()->click();
    EXPECT_EQ(shown.front(), q("监控时间：1秒"));
}

TEST_F(MainWindowTest, ClosingDuringARunStopsSamplingAndClosesTheLog) {
    ChildProcess child;
    start_run(child, "20");
    EXPECT_TRUE(wait_until([&] { return record_box()->toPlainText().count(q("内存:")) >= 2; }));
    EXPECT_NE(window_->monitor().state().log_file, NO_LOG_FILE);
    window_->close();
    EXPECT_FALSE(control<QTimer>("时钟1")->isActive());
    ASSERT_EQ(log_files().size(), 1);
    QFile log(log_dir_.filePath(log_files().front()));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().endsWith("%\r\n"));
}

}  // namespace
}  // namespace tessivo

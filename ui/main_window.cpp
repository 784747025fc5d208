#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>
#include <algorithm>
#include <optional>

#include "text/gbk.h"
#include "text/number_text.h"
#include "ui/canvas.h"
#include "ui/finder_image.h"
#include "ui/picker.h"

namespace tessivo {

namespace {

const QColor RED_TEXT(255, 0, 0);

// The tool's own note above the about sentence; the second line names the log folder.
constexpr const char* NOTE_FIRST_LINE = "Tessivo2.0 内存CPU监控";
constexpr const char* NOTE_LOG_LINE = "日志保存在：";
constexpr const char* ABOUT_SENTENCE =
    "本软件主要用于监控目标程序内存溢出，一些程序运行越久越大，有了本工具就能较为方便的对程序进行监控记录！";

QString to_qstring(const std::string& text) { return QString::fromStdString(text); }

// The pane keeps "\n" between lines; the records and their length rule count CR LF.
QString without_cr(const std::string& text) {
    return to_qstring(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QFont font_of_height(int pixels) {
    QFont font = QApplication::font();
    font.setPixelSize(pixels);
    return font;
}

void set_text_colour(QWidget& control, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = control.palette();
    palette.setColor(role, colour);
    control.setPalette(palette);
}

template <class Control>
Control* place(Control* control, const char* name, int left, int top, int width, int height) {
    control->setObjectName(QString::fromUtf8(name));
    control->setGeometry(left, top, width, height);
    return control;
}

template <class Label = QLabel>
QLabel* make_label(QWidget* parent, const char* name, const char* text, int left, int top,
                   int width, int height, int font_pixels) {
    auto* label = place(new Label(QString::fromUtf8(text), parent), name, left, top, width, height);
    label->setTextFormat(Qt::PlainText);  // process names are shown as they are
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setWordWrap(false);
    label->setFont(font_of_height(font_pixels));
    return label;
}

// A label whose spaces are half the character height wide, as in the CJK face
// the layout was drawn with. With narrower spaces "毫秒" of 标签4 would sit
// under the interval box; the text itself stays as it is.
class HalfHeightSpaceLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::WindowText));
        const QFontMetrics metrics(font());
        const int space = std::max(metrics.horizontalAdvance(QChar(' ')), font().pixelSize() / 2);
        QRect area = contentsRect();
        for (const QString& word : text().split(QChar(' '))) {
            if (!word.isEmpty()) {
                painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, word);
                area.setLeft(area.left() + metrics.horizontalAdvance(word));
            }
            area.setLeft(area.left() + space);
        }
    }
};

QLineEdit* make_edit_box(QWidget* parent, const char* name, const char* text, int left, int top,
                         int width, int height, int font_pixels) {
    auto* box = place(new QLineEdit(QString::fromUtf8(text), parent), name, left, top, width, height);
    box->setFont(font_of_height(font_pixels));
    box->setCursorPosition(0);
    return box;
}

QCheckBox* make_check_box(QWidget* parent, const char* name, const char* text, int left, int top,
                          int width, int height, bool checked) {
    auto* box = place(new QCheckBox(QString::fromUtf8(text), parent), name, left, top, width, height);
    box->setChecked(checked);
    return box;
}

QTimer* make_timer(QObject* parent, const char* name) {
    auto* timer = new QTimer(parent);
    timer->setObjectName(QString::fromUtf8(name));
    return timer;
}

void set_period(QTimer& timer, int32_t milliseconds) {
    if (milliseconds > 0) {
        timer.start(milliseconds);
    } else {
        timer.stop();
    }
}

QPixmap finder_pixmap() {
    const auto bytes = finder_image();
    QPixmap pixmap;
    pixmap.loadFromData(bytes.data(), static_cast<uint>(bytes.size()), "CUR");
    return pixmap;
}

}  // namespace

// The GBK length text() gives back for a piece the document holds as `shown`
// ("\n" comes back as CR LF), or nothing for a piece with characters the
// document keeps or reads back otherwise (a lone CR starts a line; separators,
// no-break spaces and frame marks come back as other characters): those are
// measured on the text itself.
std::optional<std::size_t> gbk_length_read_back(const QString& shown) {
    std::size_t line_breaks = 0;
    for (const QChar c : shown) {
        const char16_t code = c.unicode();
        if (code == u'\n') {
            ++line_breaks;
        } else if (code < 0x20 || (code >= 0x7F && code <= 0xA0) || code == QChar::LineSeparator ||
                   code == QChar::ParagraphSeparator || (code >= 0xFDD0 && code <= 0xFDEF) ||
                   code == QChar::ObjectReplacementCharacter) {
            return std::nullopt;
        }
    }
    return gbk_length(shown.toStdString()) + line_breaks;
}

// The record pane on a QPlainTextEdit, whose lines end in "\n" inside. It
// keeps the GBK length of its text, which the records ask for every time, as
// long as only the pane itself has changed the document.
class PlainTextPane : public RecordPane {
public:
    explicit PlainTextPane(QPlainTextEdit& box)
        : box_(box),
          foreign_change_(QObject::connect(box_.document(), &QTextDocument::contentsChange, &box_, [this] {
              if (!editing_) {
                  length_.reset();
              }
          })) {}
    ~PlainTextPane() override { QObject::disconnect(foreign_change_); }
    PlainTextPane(const PlainTextPane&) = delete;
    PlainTextPane& operator=(const PlainTextPane&) = delete;

    std::string text() const override {
        return box_.toPlainText().replace(QChar('\n'), QStringLiteral("\r\n")).toStdString();
    }

    void set_text(const std::string& text) override {
        const QString shown = without_cr(text);
        editing_ = true;
        box_.setPlainText(shown);
        editing_ = false;
        keep_shaped_lines(box_.document()->begin());
        length_ = gbk_length_read_back(shown);
    }

    void append_at_end(const std::string& text) override {
        const QString shown = without_cr(text);
        // The document keeps no undo history, so the insert makes no undo entry.
        // Inside an edit block the cursor leaves its x on the line unset
        // instead of shaping the last line for it at the move and again at
        // the insert; it is worked out when a key first moves the caret
        // up or down.
        QTextCursor cursor = box_.textCursor();
        editing_ = true;
        cursor.beginEditBlock();
        cursor.movePosition(QTextCursor::End);
        const int inserted_at = cursor.position();
        cursor.insertText(shown);
        cursor.endEditBlock();
        editing_ = false;
        keep_shaped_lines(box_.document()->findBlock(inserted_at));
        box_.setTextCursor(cursor);
        box_.ensureCursorVisible();
        const std::optional<std::size_t> added = gbk_length_read_back(shown);
        if (length_ && added) {
            *length_ += *added;
        } else {
            length_.reset();
        }
    }

    std::size_t gbk_length() const override {
        if (length_) {
            return *length_;
        }
        return RecordPane::gbk_length();
    }

private:
    // The lines a repaint draws keep their shaped glyphs: without this every
    // repaint shapes each visible line again and drops the glyphs after it,
    // though a line's text never changes once it is in the pane.
    static void keep_shaped_lines(QTextBlock block) {
        for (; block.isValid(); block = block.next()) {
            if (QTextLayout* const layout = block.layout()) {
                layout->setCacheEnabled(true);
            }
        }
    }

    QPlainTextEdit& box_;
    QMetaObject::Connection foreign_change_;  // a change not made here: measure again
    bool editing_ = false;                // the change under way is the pane's own
    std::optional<std::size_t> length_;   // GBK bytes of text(); none: measure it
};

MainWindow::MainWindow(const std::string& log_folder) {
    setWindowTitle(QString::fromUtf8(WINDOW_TITLE));
    // Minimise and close, no maximise; on top from the start.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setFixedSize(CLIENT_WIDTH, CLIENT_HEIGHT);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - CLIENT_WIDTH) / 2,
             area.y() + (area.height() - CLIENT_HEIGHT) / 2);
    }
    setWindowIcon(finder_pixmap());

    create_controls();

    pane_ = std::make_unique<PlainTextPane>(*record_box_);
    chart_ = std::make_unique<ChartCanvases>(*drawing_canvas_, *visible_canvas_);
    monitor_ = std::make_unique<Monitor>(*this, real_probes(), current_datetime);
    picker_ = std::make_unique<Picker>(monitor_->state(), *finder_box_, *process_id_box_,
                                       *process_name_label_);

    connect(start_button_, &QPushButton::clicked, this, [this] { monitor_->start_or_stop(); });
    connect(sampling_timer_, &QTimer::timeout, this, [this] { monitor_->sampling_tick(); });
    connect(elapsed_timer_, &QTimer::timeout, this, [this] { monitor_->elapsed_step(); });
    connect(on_top_box_, &QCheckBox::clicked, this, [this](bool checked) { set_always_on_top(checked); });

    const std::string folder = log_folder.empty() ? prepare_log_folder() : log_folder;
    pane_->set_text(std::string(NOTE_FIRST_LINE) + "\r\n" + NOTE_LOG_LINE + folder + "\r\n\r\n" +
                    ABOUT_SENTENCE);
    record_box_->moveCursor(QTextCursor::Start);
    monitor_->window_created(folder);
}

MainWindow::~MainWindow() { destroy_once(); }

// The controls in the order of the layout, each at its client-area position and outer size.
void MainWindow::create_controls() {
    finder_box_ = place(new QLabel(this), "图片框1", 273, 38, 35, 35);
    finder_box_->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    finder_box_->setAlignment(Qt::AlignCenter);
    finder_box_->setPixmap(finder_pixmap());

    visible_canvas_ = new Canvas(this, QRect(1, 105, 480, 207));
    visible_canvas_->setObjectName(QStringLiteral("画板2"));
    elapsed_timer_ = make_timer(this, "时钟计时");
    elapsed_timer_->setTimerType(Qt::PreciseTimer);  // each event counts as one second
    elapsed_label_ = make_label(this, "标签用时", "监控时间：", 3, 338, 325, 25, 14);
    change_only_box_ = make_check_box(this, "选择框变化时抓取", "仅在变化时记录", 171, 75, 117, 26, false);
    on_top_box_ = make_check_box(this, "选择框置顶", "置顶", 346, 340, 48, 24, true);
    initial_cpu_label_ = make_label(this, "标签初始cpu", "初始cpu：", 183, 312, 181, 25, 14);
    initial_memory_label_ = make_label(this, "标签初始内存", "初始内存：", 3, 312, 181, 25, 14);

    start_button_ = place(new QPushButton(QString::fromUtf8(START_CAPTION), this), "按钮开始监控",
                          401, 331, 80, 32);
    start_button_->setAutoDefault(false);

    sampling_timer_ = make_timer(this, "时钟1");
    interval_box_ = make_edit_box(this, "编辑框速度", "300", 58, 74, 62, 25, 16);
    process_name_label_ = make_label(this, "标签进程名", "Quilvane.exe", 58, 5, 254, 32, 16);
    set_text_colour(*process_name_label_, QPalette::WindowText, RED_TEXT);
    make_label(this, "标签2", "进程名:", 3, 12, 48, 25, 14);
    process_id_box_ = make_edit_box(this, "编辑框进程ID", "00000", 58, 43, 160, 25, 14);
    set_text_colour(*process_id_box_, QPalette::Text, RED_TEXT);
    make_label(this, "标签1", "进程ID:", 3, 43, 48, 25, 14);
    // "速度:", thirteen spaces and "毫秒": the interval box covers the blank stretch.
    make_label<HalfHeightSpaceLabel>(this, "标签4", "速度:             毫秒", 3, 74, 165, 25, 14);

    record_box_ = place(new QPlainTextEdit(this), "编辑框文本显示", 312, 4, 167, 98);
    record_box_->setFont(font_of_height(12));
    record_box_->setUndoRedoEnabled(false);
    // Read-only for the user; the text can still be selected and copied.
    record_box_->setReadOnly(true);
    record_box_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    record_box_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    record_box_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    record_box_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    record_box_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    drawing_canvas_ = new Canvas(this, QRect(1, 105, 480, 207));
    drawing_canvas_->setObjectName(QStringLiteral("画板1"));
    drawing_canvas_->hide();

    // The interval box lies on 标签4 (created later): keep it above the label.
    interval_box_->raise();
}

void MainWindow::set_always_on_top(bool on_top) {
    // Changing a window flag hides a shown window; show it again.
    setWindowFlag(Qt::WindowStaysOnTopHint, on_top);
    show();
}

void MainWindow::destroy_once() {
    if (!destroyed_ && monitor_) {
        destroyed_ = true;
        monitor_->window_destroyed();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    destroy_once();
    QWidget::closeEvent(event);
}

std::string MainWindow::process_id_text() const { return process_id_box_->text().toStdString(); }

std::string MainWindow::interval_text() const { return interval_box_->text().toStdString(); }

bool MainWindow::change_only_checked() const { return change_only_box_->isChecked(); }

std::string MainWindow::start_caption() const { return start_button_->text().toStdString(); }

void MainWindow::set_start_caption(const std::string& caption) {
    start_button_->setText(to_qstring(caption));
}

void MainWindow::set_process_name(const std::string& caption) {
    process_name_label_->setText(to_qstring(caption));
}

void MainWindow::set_initial_memory(const std::string& caption) {
    initial_memory_label_->setText(to_qstring(caption));
}

void MainWindow::set_initial_cpu(const std::string& caption) {
    initial_cpu_label_->setText(to_qstring(caption));
}

void MainWindow::set_elapsed(const std::string& caption) { elapsed_label_->setText(to_qstring(caption)); }

void MainWindow::set_sampling_period(int32_t milliseconds) { set_period(*sampling_timer_, milliseconds); }

void MainWindow::set_elapsed_period(int32_t milliseconds) { set_period(*elapsed_timer_, milliseconds); }

void MainWindow::show_message(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(MESSAGE_TITLE), to_qstring(text),
                    QMessageBox::Ok, this);
    box.exec();
}

RecordPane& MainWindow::pane() { return *pane_; }

ChartSurface& MainWindow::chart() { return *chart_; }

int32_t MainWindow::drawing_canvas_width() const { return drawing_canvas_->width(); }

}  // namespace tessivo

#include "ui/form1.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeySequence>
#include <QRegion>
#include <QShortcut>
#include <iterator>
#include <utility>

#include "core/numbers.h"
#include "export/distribution_export.h"
#include "ui/error_display.h"
#include "ui/jog_and_sweep.h"

namespace kal::ui {

namespace {

// Font heights are character heights in pixels, as the layout was drawn at
// 96 dots per inch.
QFont Arial(int pixels, bool underline = false) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(pixels);
  font.setUnderline(underline);
  return font;
}

QFont WindowFont() {
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPixelSize(11);
  return font;
}

// Edit1, Memo1 and the clipboard as the export reads and fills them.
class Form1ExportWindow final : public ExportWindow {
 public:
  Form1ExportWindow(QLineEdit* edit, QPlainTextEdit* memo) : edit_(edit), memo_(memo) {}
  std::string Edit1Text() override { return edit_->text().toStdString(); }
  void ClearMemo1() override { memo_->clear(); }
  void AppendToMemo1(std::string_view line) override {
    memo_->appendPlainText(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
  }
  void CopyMemo1ToClipboard(std::string_view text) override {
    QGuiApplication::clipboard()->setText(
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  }

 private:
  QLineEdit* edit_;
  QPlainTextEdit* memo_;
};

// The sweep wraps to this age once it has passed the upper one.
constexpr int32_t kSweepHighest = 10000;
constexpr int32_t kSweepRestart = 500;

}  // namespace

QString WindowCaption(const LoadedCurve& curve) {
  const QString caption = QStringLiteral("Kalibracja 14C");
  if (curve.is_default) return caption;
  return caption + QStringLiteral(" \u2014 ") + QString::fromStdString(curve.name);
}

TForm1::TForm1(LoadedCurve curve, QWidget* parent)
    : ScrollingForm(parent), curve_(std::move(curve)), jog_strip_(JogStripPicture()) {
  setWindowTitle(WindowCaption(curve_));
  setFont(WindowFont());
  move(259, 323);  // where the layout puts it; FormCreate moves it to the corner
  QWidget* client = ClientArea();

  // Created in layout order: labels and images first, later ones on top
  // (Image1 over Image2 on their shared row), then the controls above them.
  Label1 = new AutoSizeLabel(QStringLiteral("+"), Arial(24, true), {376, 8, 14, 27}, client);
  Label2 = new AutoSizeLabel(QStringLiteral("BP"), Arial(24), {464, 14, 32, 27}, client);
  Image2 = new ImageControl(client);
  Image2->setGeometry(8, 352, 777, 49);
  Image3 = new ImageControl(client);
  Image3->setGeometry(272, 56, 101, 20);
  Image3->SetAutoSize(true);
  Image3->ShowPicture(&jog_strip_);
  Image1 = new ImageControl(client);
  Image1->setGeometry(8, 104, 777, 249);
  Label3 = new AutoSizeLabel(QStringLiteral("Label3"), Arial(24), {520, 48, 72, 27}, client);
  Label4 = new AutoSizeLabel(QStringLiteral("95%"), Arial(24), {600, 16, 47, 27}, client);

  Button1 = new QPushButton(QStringLiteral("Button1"), client);
  Button1->setGeometry(352, 328, 81, 25);
  Button1->hide();

  SpinEditData = new SpinEdit(10, 45000, 2500, client);
  SpinEditData->setGeometry(272, 9, 97, 37);
  SpinEditData->setFont(Arial(24));
  SpinEditBlad = new SpinEdit(10, 1000, 50, client);
  SpinEditBlad->setGeometry(396, 9, 61, 37);
  SpinEditBlad->setFont(Arial(24));

  Button2 = new QPushButton(QStringLiteral("Stop"), client);
  Button2->setGeometry(16, 8, 129, 33);
  Button2->setFont(Arial(21));
  Button2->setAutoDefault(true);  // Enter clicks it when it has the focus

  ScrollBar1 = new QScrollBar(Qt::Horizontal, client);
  ScrollBar1->setGeometry(16, 48, 129, 17);
  ScrollBar1->setRange(0, 100);
  ScrollBar1->setSingleStep(1);
  ScrollBar1->setPageStep(1);
  ScrollBar1->setValue(0);
  ScrollBar1->setFocusPolicy(Qt::StrongFocus);

  CheckBox1 = new QCheckBox(QString::fromUtf8("BP rośnie"), client);
  CheckBox1->setGeometry(16, 72, 81, 25);
  CheckBox1->setChecked(true);

  ButtonEx = new QPushButton(QStringLiteral("do Schowka"), client);
  ButtonEx->setGeometry(704, 8, 73, 17);
  ButtonEx->hide();

  Memo1 = new QPlainTextEdit(client);
  Memo1->setGeometry(600, 72, 177, 305);
  Memo1->setFont(Arial(13));
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setTabChangesFocus(false);
  Memo1->hide();

  Edit1 = new QLineEdit(client);
  Edit1->setGeometry(704, 32, 49, 21);
  Edit1->hide();

  QWidget* tab_order[] = {Button1,    Memo1,     SpinEditData, SpinEditBlad, Button2,
                          ScrollBar1, CheckBox1, ButtonEx,     Edit1};
  for (size_t i = 1; i < std::size(tab_order); ++i) setTabOrder(tab_order[i - 1], tab_order[i]);

  QObject::connect(Button1, &QPushButton::clicked, this,
                   [this] { DispatchEvent([this] { Button1Click(Button1); }); });
  SpinEditData->SetOnChange([this] { SpinEditDataChange(SpinEditData); });
  SpinEditBlad->SetOnChange([this] { SpinEditBladChange(SpinEditBlad); });
  QObject::connect(Button2, &QPushButton::clicked, this,
                   [this] { DispatchEvent([this] { Button2Click(Button2); }); });
  Image3->SetOnMouseDown([this](Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
    Image3MouseDown(Image3, button, shift, x, y);
  });
  QObject::connect(ButtonEx, &QPushButton::clicked, this,
                   [this] { DispatchEvent([this] { ButtonExClick(ButtonEx); }); });
  // The export's controls are hidden; Ctrl+E brings them into view at their
  // places and hides them again.
  auto* show_export = new QShortcut(QKeySequence(QStringLiteral("Ctrl+E")), this);
  QObject::connect(show_export, &QShortcut::activated, this, [this] {
    const bool shown = !ButtonEx->isVisible();
    ButtonEx->setVisible(shown);
    Edit1->setVisible(shown);
    Memo1->setVisible(shown);
  });
  Image1->SetOnPainted([this] {
    if (sweep_stats_) sweep_stats_->PlotPainted(pictures_.PlotDrawings());
  });

  // Enabled from the start: it runs once its handler is bound, and its first
  // tick comes from the message loop.
  Timer1 = new EventTimer(1, true, this);
  Timer1->SetOnTimer([this] { Timer1Timer(Timer1); });

  SetOuterSize(QSize(800, 445));
  SetOnResize([this] { FormResize(this); });
  DispatchEvent([this] { FormCreate(this); });
}

TForm1::~TForm1() {
  // The controls outlive the state while the base class deletes them; no
  // handler may run on the way.
  Timer1->SetOnTimer(nullptr);
  SpinEditData->SetOnChange(nullptr);
  SpinEditBlad->SetOnChange(nullptr);
  Image3->SetOnMouseDown(nullptr);
  SetOnResize(nullptr);
}

void TForm1::FormCreate(QObject*) {
  move(x(), 0);
  move(0, 0);
  // The curve's lists are compiled in and were loaded when the curve was
  // chosen, so that an unusable curve file is refused before the window opens.
  state_.CalCurve = &curve_.table;
  state_.GaussReady = false;
}

void TForm1::Button1Click(QObject*) {
  const CalibrationResult result = Calibrate(state_, drawing_);
  Label3->SetCaption(QString::fromStdString(result.text));
  // The bitmaps exist from the first drawing on; each control repaints only
  // what the calculation changed, after the handler returns.
  if (pictures_.HasPlot()) {
    Image1->ShowPicture(&pictures_.Plot());
    QRegion changed;
    for (const QRect& part : pictures_.PlotChangedParts()) changed += part;
    Image1->PictureChanged(changed);
    // A drawing that changed no pixel is on screen already.
    if (sweep_stats_ && changed.isEmpty()) {
      sweep_stats_->PlotPainted(pictures_.PlotDrawings());
    }
  }
  if (pictures_.HasRuler() && pictures_.RulerDrawings() != rulers_shown_) {
    rulers_shown_ = pictures_.RulerDrawings();
    Image2->ShowPicture(&pictures_.Ruler());
    Image2->PictureChanged();
  }
}

void TForm1::SpinEditBladChange(QObject* Sender) {
  state_.GaussReady = false;
  SpinEditDataChange(Sender);
}

void TForm1::SpinEditDataChange(QObject* Sender) {
  state_.SampleAge = TextToIntOr0(SpinEditData->Text().toStdString());
  // An error whose working width leaves the 32-bit range is refused like one
  // that gives a width of 0.
  state_.Sigma = SigmaOf(TextToIntOr0(SpinEditBlad->Text().toStdString())).value_or(0);
  if (!InputProblem(state_.SampleAge, state_.Sigma)) Button1Click(Sender);
}

void TForm1::Timer1Timer(QObject*) {
  if (sweep_stats_) sweep_stats_->TickStarted(pictures_.PlotDrawings());
  const int position = ScrollBar1->value();
  Timer1->SetInterval(SweepInterval(position));
  int32_t step = SweepStep(position);
  if (!CheckBox1->isChecked()) step = -step;
  SpinEditData->SetValue(static_cast<int64_t>(SpinEditData->Value()) + step);
  if (SpinEditData->Value() > kSweepHighest) SpinEditData->SetValue(kSweepRestart);
}

void TForm1::Button2Click(QObject*) {
  Timer1->SetEnabled(!Timer1->Enabled());
  Button2->setText(Timer1->Enabled() ? QStringLiteral("Stop") : QStringLiteral("Start"));
}

void TForm1::FormResize(QObject*) {
  // Nothing moves or stretches: a smaller window scrolls its contents.
}

void TForm1::Image3MouseDown(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int X, int) {
  // The text is read and written as it stands, not through Value: the jog's
  // own bounds apply, not the box's.
  const int32_t age = TextToIntOr0(SpinEditData->Text().toStdString());
  SpinEditData->SetText(QString::number(JogAge(age, X, Image3->width())));
}

void TForm1::ButtonExClick(QObject*) {
  Form1ExportWindow window(Edit1, Memo1);
  if (const auto failure = ExportDistribution(state_, window, SystemExportFiles())) {
    throw EInOutError(*failure);  // shown by the default error display
  }
}

}  // namespace kal::ui

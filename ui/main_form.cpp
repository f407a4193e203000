#include "ui/main_form.h"

#include <QAction>
#include <QButtonGroup>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "engine/engine.h"
#include "ui/date_picker.h"
#include "ui/error_reporting.h"
#include "ui/map_page.h"
#include "ui/moves_page.h"
#include "ui/qt_bar_chart.h"
#include "ui/scale_page.h"
#include "ui/widget_helpers.h"

namespace melquon {

namespace {

constexpr int kToolBarHeight = 29;
constexpr int kToolControlTop = 2;
constexpr int kToolControlHeight = 21;
constexpr int kFieldWidth = 109;
constexpr int kFieldHeight = 21;
constexpr int kCaptionAboveField = 16;
constexpr int kComboItemHeight = 13;

QFont WindowFont() {
  QFont font;
  font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"),
                    QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  return font;
}

// A fixed-width font with Cyrillic letters, 13 pixels high.
QFont EditorFont(bool aBold) {
  QFont font;
  font.setFamilies({QStringLiteral("Courier New"), QStringLiteral("DejaVu Sans Mono"),
                    QStringLiteral("Liberation Mono"), QStringLiteral("Noto Sans Mono")});
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(13);
  font.setBold(aBold);
  return font;
}

class TFixedHeightItems : public QStyledItemDelegate {
 public:
  TFixedHeightItems(int aHeight, QObject* aParent)
      : QStyledItemDelegate(aParent), height_(aHeight) {}

  QSize sizeHint(const QStyleOptionViewItem& aOption, const QModelIndex& aIndex) const override {
    return {QStyledItemDelegate::sizeHint(aOption, aIndex).width(), height_};
  }

 private:
  int height_;
};

QPlainTextEdit* MakeEditor(QWidget* aPage, const char* aName, bool aBold, bool aReadOnly) {
  auto* editor = MakeChild<QPlainTextEdit>(aPage, aName);
  editor->setFont(EditorFont(aBold));
  editor->setReadOnly(aReadOnly);
  editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  return editor;
}

QToolBar* MakeToolBar(QWidget* aPage, const char* aName) {
  auto* toolBar = MakeChild<QToolBar>(aPage, aName);
  toolBar->setMovable(false);
  toolBar->setFloatable(false);
  toolBar->setFixedHeight(kToolBarHeight);
  return toolBar;
}

// A page whose tool bar runs along the top edge and whose main control fills the rest.
void StackToolBarOver(QWidget* aPage, QToolBar* aToolBar, QWidget* aBody) {
  auto* layout = MakeOwned<QVBoxLayout>(aPage);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(aToolBar);
  layout->addWidget(aBody, 1);
}

QToolButton* MakeToolButton(QToolBar* aToolBar, const char* aName, int aLeft, int aWidth) {
  auto* button = MakeChild<QToolButton>(aToolBar, aName);
  button->setGeometry(aLeft, kToolControlTop, aWidth, kToolControlHeight);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  return button;
}

QToolButton* MakeToggleButton(QToolBar* aToolBar, const char* aName, const QString& aCaption,
                              int aLeft, int aWidth, QButtonGroup* aGroup) {
  auto* button = MakeToolButton(aToolBar, aName, aLeft, aWidth);
  button->setText(aCaption);
  button->setCheckable(true);
  button->setAutoRaise(true);
  aGroup->addButton(button);
  return button;
}

QFrame* MakeSeparator(QToolBar* aToolBar, const char* aName, int aLeft) {
  constexpr int kSeparatorWidth = 8;
  auto* separator = MakeChild<QFrame>(aToolBar, aName);
  separator->setFrameShape(QFrame::VLine);
  separator->setFrameShadow(QFrame::Sunken);
  separator->setGeometry(aLeft, kToolControlTop, kSeparatorWidth, kToolControlHeight);
  return separator;
}

QLabel* MakeLabel(QWidget* aPage, const char* aName, const QString& aCaption, int aLeft, int aTop) {
  auto* label = MakeChild<QLabel>(aPage, aName);
  label->setText(aCaption);
  label->adjustSize();
  label->move(aLeft, aTop);
  return label;
}

QLineEdit* MakeLabeledEdit(QWidget* aPage, const char* aName, const char* aLabelName,
                           const QString& aCaption, const QString& aText, int aLeft, int aTop,
                           QLabel*& aLabel) {
  auto* edit = MakeChild<QLineEdit>(aPage, aName);
  edit->setGeometry(aLeft, aTop, kFieldWidth, kFieldHeight);
  edit->setText(aText);
  aLabel = MakeLabel(aPage, aLabelName, aCaption, aLeft, aTop - kCaptionAboveField);
  aLabel->setBuddy(edit);
  return edit;
}

TDatePicker* MakeDatePicker(QWidget* aParent, const char* aName, int aYear, int aMonth, int aDay) {
  auto* picker = MakeChild<TDatePicker>(aParent, aName);
  picker->SetDateTimeValue(FromQDate(QDate(aYear, aMonth, aDay)));
  return picker;
}

}  // namespace

TfrmMain::TfrmMain(TOptions aOptions)
    : iniFileName_(std::move(aOptions.IniFileName)), customChart_(std::move(aOptions.Chart)) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Melquon"));
  setFont(WindowFont());
  move(112, 187);
  resize(922, 640);
  CreateActions();
  CreatePages();
  ConnectHandlers();
  RunGuarded([this] { FormCreate(); });
}

TfrmMain::~TfrmMain() {
  FormDestroy();
}

void TfrmMain::CreateActions() {
  AL = MakeChild<QObject>(this, "AL");
  acLoadINI = MakeChild<QAction>(AL, "acLoadINI");
  acLoadINI->setText(QStringLiteral("Загрузить"));
  acSaveINI = MakeChild<QAction>(AL, "acSaveINI");
  acSaveINI->setText(QStringLiteral("Сохранить"));
  acStart = MakeChild<QAction>(AL, "acStart");
  acStart->setText(QStringLiteral("Старт"));
  acRefreshGraph = MakeChild<QAction>(AL, "acRefreshGraph");
  acRefreshGraph->setText(QStringLiteral("Обновить"));
}

void TfrmMain::CreatePages() {
  pc = MakeChild<QTabWidget>(this, "pc");
  setCentralWidget(pc);
  statusBar()->setObjectName(QStringLiteral("StatusBar"));
  tsMain = MakeChild<QWidget>(pc, "tsMain");
  tsGraph = MakeChild<QWidget>(pc, "tsGraph");
  tsReport = MakeChild<QWidget>(pc, "tsReport");
  tsSettings = MakeChild<QWidget>(pc, "tsSettings");
  tsMoves = MakeOwned<TMovesPage>(pc);
  tsMap = MakeOwned<TMapPage>(pc);
  tsScale = MakeOwned<TScalePage>(pc);
  // One pinned run for both pages.
  connect(tsMap->btnMapPin, &QPushButton::clicked, tsScale, [this] { tsScale->Pin(); });
  tsMoves->SuggestedName = [this] { return ExportName("moves", "csv"); };
  tsMoves->CsvFormat = [this] { return CsvFormat(); };
  CreateMainPage();
  CreateGraphPage();
  CreateReportPage();
  CreateSettingsPage();
  pc->addTab(tsMain, QStringLiteral("Основное"));
  pc->addTab(tsGraph, QStringLiteral("Графики"));
  pc->addTab(tsReport, QStringLiteral("Отчет"));
  pc->addTab(tsSettings, QStringLiteral("Настройки"));
  pc->addTab(tsMoves, QStringLiteral("Движения"));
  pc->addTab(tsMap, QStringLiteral("Карта"));
  pc->addTab(tsScale, QStringLiteral("Масштаб"));
  pc->setCurrentWidget(tsMain);
}

void TfrmMain::CreateMainPage() {
  dtpFrom = MakeDatePicker(tsMain, "dtpFrom", 2009, 3, 4);
  dtpFrom->setGeometry(152, 32, kFieldWidth, kFieldHeight);
  dtpTo = MakeDatePicker(tsMain, "dtpTo", 2009, 3, 4);
  dtpTo->setGeometry(280, 32, kFieldWidth, kFieldHeight);
  leContract = MakeLabeledEdit(tsMain, "leContract", "leContractLabel", QStringLiteral("Контракт:"),
                               QStringLiteral("RIH9"), 24, 32, leContractLabel);
  leIntervalFrom = MakeLabeledEdit(tsMain, "leIntervalFrom", "leIntervalFromLabel",
                                   QStringLiteral("Начальный интервал"), QStringLiteral("500"), 24,
                                   80, leIntervalFromLabel);
  leIntervalTo = MakeLabeledEdit(tsMain, "leIntervalTo", "leIntervalToLabel",
                                 QStringLiteral("Конечный интервал"), QStringLiteral("2000"), 152,
                                 80, leIntervalToLabel);
  leIntervalStep = MakeLabeledEdit(tsMain, "leIntervalStep", "leIntervalStepLabel",
                                   QStringLiteral("Шаг интервала"), QStringLiteral("100"), 280, 80,
                                   leIntervalStepLabel);
  Label1 = MakeLabel(tsMain, "Label1", QStringLiteral("Начальная дата:"), 152, 16);
  Label1->setBuddy(dtpFrom);
  Label2 = MakeLabel(tsMain, "Label2", QStringLiteral("Конечная дата:"), 280, 16);
  Label2->setBuddy(dtpTo);
  btnStart = MakeChild<QPushButton>(tsMain, "btnStart");
  btnStart->setGeometry(24, 123, 75, 25);
  BindButtonToAction(btnStart, acStart);
  lblLink = MakeLabel(tsMain, "lblLink", QStringLiteral("Сайт программы"), 24, 192);
  QPalette linkPalette = lblLink->palette();
  linkPalette.setColor(QPalette::WindowText, Qt::blue);
  lblLink->setPalette(linkPalette);
  lblLink->setCursor(Qt::PointingHandCursor);
  lblAbout = MakeLabel(tsMain, "lblAbout", QStringLiteral("О программе"), 152, 192);
  lblAbout->setPalette(linkPalette);
  lblAbout->setCursor(Qt::PointingHandCursor);
  lblSummary = MakeChild<QLabel>(tsMain, "lblSummary");
  lblSummary->setGeometry(24, 224, 860, 360);
  lblSummary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblSummary->setWordWrap(true);
  lblSummary->setTextFormat(Qt::PlainText);
  lblSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);

  setTabOrder(dtpFrom, dtpTo);
  setTabOrder(dtpTo, leContract);
  setTabOrder(leContract, leIntervalFrom);
  setTabOrder(leIntervalFrom, leIntervalTo);
  setTabOrder(leIntervalTo, leIntervalStep);
  setTabOrder(leIntervalStep, btnStart);
}

void TfrmMain::CreateGraphPage() {
  ToolBar2 = MakeToolBar(tsGraph, "ToolBar2");
  CreateGraphToolBar();
  Chart = MakeChild<QChartView>(tsGraph, "Chart");
  StackToolBarOver(tsGraph, ToolBar2, Chart);
  lblGraphFailure = MakeChild<QLabel>(tsGraph, "lblGraphFailure");
  lblGraphFailure->setTextFormat(Qt::PlainText);
  lblGraphFailure->setWordWrap(true);
  lblGraphFailure->setContentsMargins(8, 4, 8, 4);
  QPalette failurePalette = lblGraphFailure->palette();
  failurePalette.setColor(QPalette::WindowText, Qt::darkRed);
  lblGraphFailure->setPalette(failurePalette);
  lblGraphFailure->hide();
  static_cast<QVBoxLayout*>(tsGraph->layout())->insertWidget(1, lblGraphFailure);
  qtChart_ = std::make_unique<TQtBarChart>(Chart);
  Series1 = qtChart_->Series();
  chart_ = customChart_ ? customChart_.get() : qtChart_.get();
  chart_->ShowMarks(true);
  chart_->ShowLegend(false);
}

void TfrmMain::CreateGraphToolBar() {
  ViewButtons = MakeChild<QButtonGroup>(this, "ViewButtons");
  ViewButtons->setExclusive(true);
  MeasureButtons = MakeChild<QButtonGroup>(this, "MeasureButtons");
  MeasureButtons->setExclusive(true);

  sbtnForDate =
      MakeToggleButton(ToolBar2, "sbtnForDate", QStringLiteral("На дату:"), 0, 73, ViewButtons);
  dtpForDate = MakeDatePicker(ToolBar2, "dtpForDate", 2009, 3, 10);
  dtpForDate->setGeometry(73, kToolControlTop, 96, kToolControlHeight);
  dtpForDate->setEnabled(false);
  ToolButton3 = MakeSeparator(ToolBar2, "ToolButton3", 169);
  sbtnAllPeriod = MakeToggleButton(ToolBar2, "sbtnAllPeriod", QStringLiteral("На весь период"), 177,
                                   95, ViewButtons);
  sbtnAllPeriod->setChecked(true);
  ToolButton2 = MakeSeparator(ToolBar2, "ToolButton2", 272);
  cbByInterval = MakeChild<QComboBox>(ToolBar2, "cbByInterval");
  cbByInterval->setGeometry(280, kToolControlTop, 120, kToolControlHeight);
  cbByInterval->setEditable(false);
  cbByInterval->setItemDelegate(MakeOwned<TFixedHeightItems>(kComboItemHeight, cbByInterval));
  cbByInterval->setEnabled(false);
  sbtnIntervalByDates = MakeToggleButton(
      ToolBar2, "sbtnIntervalByDates", QStringLiteral("Интервал по датам"), 400, 112, ViewButtons);
  ToolButton4 = MakeSeparator(ToolBar2, "ToolButton4", 512);
  sbtnClosedCnt = MakeToggleButton(ToolBar2, "sbtnClosedCnt", QStringLiteral("Кол-во закрытых"),
                                   520, 104, MeasureButtons);
  sbtnClosedSumm = MakeToggleButton(ToolBar2, "sbtnClosedSumm", QStringLiteral("Сумма закрытых"),
                                    624, 104, MeasureButtons);
  sbtnClosedSumm->setChecked(true);
  sbtnKFactor = MakeToggleButton(ToolBar2, "sbtnKFactor", QStringLiteral("КвадратФактор"), 728, 96,
                                 MeasureButtons);
  ToolButton1 = MakeSeparator(ToolBar2, "ToolButton1", 824);
  sbtnRefresh = MakeToolButton(ToolBar2, "sbtnRefresh", 832, 64);
  sbtnRefresh->setDefaultAction(acRefreshGraph);
  sbtnRefresh->setAutoRaise(true);
  sbtnChartExport = MakeToolButton(ToolBar2, "sbtnChartExport", 896, 24);
  sbtnChartExport->setText(QStringLiteral("…"));
  sbtnChartExport->setToolTip(QStringLiteral("Сохранить или скопировать диаграмму"));
  sbtnChartExport->setAutoRaise(true);
  sbtnChartExport->setPopupMode(QToolButton::InstantPopup);
  auto* exports = MakeOwned<QMenu>(sbtnChartExport);
  acChartPng = exports->addAction(QStringLiteral("Сохранить PNG…"));
  acChartSvg = exports->addAction(QStringLiteral("Сохранить SVG…"));
  acChartCopy = exports->addAction(QStringLiteral("Копировать изображение"));
  sbtnChartExport->setMenu(exports);
}

void TfrmMain::CreateReportPage() {
  ToolBar3 = MakeChild<QToolBar>(tsReport, "ToolBar3");
  ToolBar3->setMovable(false);
  ToolBar3->setToolButtonStyle(Qt::ToolButtonTextOnly);
  sbtnSaveReport = MakeChild<QToolButton>(ToolBar3, "sbtnSaveReport");
  sbtnSaveReport->setText(QStringLiteral("Сохранить отчёт…"));
  ToolBar3->addWidget(sbtnSaveReport);
  sbtnSaveCsv = MakeChild<QToolButton>(ToolBar3, "sbtnSaveCsv");
  sbtnSaveCsv->setText(QStringLiteral("Сохранить CSV…"));
  ToolBar3->addWidget(sbtnSaveCsv);
  ToolBar3->addSeparator();
  ToolBar3->addWidget(MakeOwned<QLabel>(QStringLiteral(" Разделитель CSV: ")));
  cbCsvSeparator = MakeChild<QComboBox>(ToolBar3, "cbCsvSeparator");
  cbCsvSeparator->addItem(QStringLiteral("запятая ,"), QChar(','));
  cbCsvSeparator->addItem(QStringLiteral("точка с запятой ;"), QChar(';'));
  ToolBar3->addWidget(cbCsvSeparator);
  chkCsvDecimal = MakeChild<QCheckBox>(ToolBar3, "chkCsvDecimal");
  chkCsvDecimal->setText(QStringLiteral("числа с десятичным разделителем программы"));
  chkCsvDecimal->setEnabled(false);
  ToolBar3->addWidget(chkCsvDecimal);
  memReport = MakeEditor(tsReport, "memReport", false, true);
  auto* layout = MakeOwned<QVBoxLayout>(tsReport);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ToolBar3);
  layout->addWidget(memReport, 1);
}

void TfrmMain::CreateSettingsPage() {
  ToolBar1 = MakeToolBar(tsSettings, "ToolBar1");
  sbtnLoad = MakeChild<QToolButton>(ToolBar1, "sbtnLoad");
  sbtnLoad->setDefaultAction(acLoadINI);
  sbtnLoad->setGeometry(0, kToolControlTop, 73, 22);
  sbtnSave = MakeChild<QToolButton>(ToolBar1, "sbtnSave");
  sbtnSave->setDefaultAction(acSaveINI);
  sbtnSave->setGeometry(73, kToolControlTop, 73, 22);
  sbtnTestPattern = MakeToolButton(ToolBar1, "sbtnTestPattern", 146, 112);
  sbtnTestPattern->setText(QStringLiteral("Проверить шаблон"));
  memIni = MakeEditor(tsSettings, "memIni", true, false);
  StackToolBarOver(tsSettings, ToolBar1, memIni);
}

void TfrmMain::ConnectAction(QAction* aAction, void (TfrmMain::*aHandler)()) {
  connect(aAction, &QAction::triggered, this,
          [this, aHandler] { RunGuarded([&] { (this->*aHandler)(); }); });
}

void TfrmMain::ConnectClick(QToolButton* aButton, void (TfrmMain::*aHandler)()) {
  connect(aButton, &QToolButton::clicked, this,
          [this, aHandler] { RunGuarded([&] { (this->*aHandler)(); }); });
}

// A key that triggers an action while the focus is on the page, wherever on it.
void TfrmMain::BindPageKey(QWidget* aPage, const QKeySequence& aKey, QAction* aAction) {
  auto* shortcut = MakeOwned<QShortcut>(aKey, aPage);
  shortcut->setContext(Qt::WidgetWithChildrenShortcut);
  connect(shortcut, &QShortcut::activated, aAction, &QAction::trigger);
}

void TfrmMain::ConnectHandlers() {
  BindPageKey(tsMain, QKeySequence(Qt::Key_Return), acStart);
  BindPageKey(tsMain, QKeySequence(Qt::Key_Enter), acStart);
  BindPageKey(tsGraph, QKeySequence(Qt::Key_F5), acRefreshGraph);
  BindPageKey(tsSettings, QKeySequence(Qt::CTRL | Qt::Key_S), acSaveINI);
  ConnectAction(acStart, &TfrmMain::acStartExecute);
  ConnectAction(acLoadINI, &TfrmMain::acLoadINIExecute);
  ConnectAction(acSaveINI, &TfrmMain::acSaveINIExecute);
  ConnectAction(acRefreshGraph, &TfrmMain::acRefreshGraphExecute);
  connect(memIni->document(), &QTextDocument::modificationChanged, this,
          [this](bool aModified) { ShowSettingsModified(aModified); });
  ConnectClick(sbtnForDate, &TfrmMain::sbtnForDateClick);
  ConnectClick(sbtnTestPattern, &TfrmMain::sbtnTestPatternClick);
  ConnectClick(sbtnSaveReport, &TfrmMain::sbtnSaveReportClick);
  ConnectAction(acChartPng, &TfrmMain::acChartPngExecute);
  ConnectAction(acChartSvg, &TfrmMain::acChartSvgExecute);
  ConnectAction(acChartCopy, &TfrmMain::acChartCopyExecute);
  ConnectPageExports(tsMap->MapView, tsMap->MapExports, "map",
                     [this] { return tsMap->DrawnCsv(); });
  ConnectPageExports(tsScale->ScaleChart, tsScale->ScaleExports, "scale",
                     [this] { return tsScale->DrawnCsv(); });
  ConnectClick(sbtnSaveCsv, &TfrmMain::sbtnSaveCsvClick);
  connect(cbCsvSeparator, &QComboBox::currentIndexChanged, this, [this] {
    const QSignalBlocker quiet(chkCsvDecimal);
    chkCsvDecimal->setEnabled(CsvSeparator() == ';');
    if (CsvSeparator() != ';')
      chkCsvDecimal->setChecked(false);
    RunGuarded([this] { RememberCsvChoice(); });
  });
  connect(chkCsvDecimal, &QCheckBox::toggled, this,
          [this] { RunGuarded([this] { RememberCsvChoice(); }); });
  ConnectClick(sbtnAllPeriod, &TfrmMain::sbtnAllPeriodClick);
  ConnectClick(sbtnIntervalByDates, &TfrmMain::sbtnIntervalByDatesClick);
  connect(pc, &QTabWidget::currentChanged, this, [this](int aIndex) {
    if (pc->widget(aIndex) == tsGraph) {
      RunGuarded([this] { tsGraphShow(); });
    }
  });
  MakeOwned<TMouseEvents>(
      lblLink, [this] { lblLinkMouseEnter(); }, [this] { lblLinkMouseLeave(); },
      [this] { RunGuarded([this] { lblLinkClick(); }); });
  MakeOwned<TMouseEvents>(
      lblAbout, [] {}, [] {}, [this] { RunGuarded([this] { lblAboutClick(); }); });
}

}  // namespace melquon

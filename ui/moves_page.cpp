#include "ui/moves_page.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "runtime/number_text.h"
#include "ui/error_reporting.h"
#include "ui/page_exports.h"
#include "ui/widget_helpers.h"

namespace melquon {

namespace {

// Filters: the first item of each combo box shows everything.
constexpr int kEveryItem = -1;

QString Text(const std::string& aText) {
  return QString::fromStdString(aText);
}

// A number as the program's formats write it: its own decimal separator.
QString NumberText(double aValue) {
  std::string text = ShortestFloatText(aValue);
  std::replace(text.begin(), text.end(), '.', RegionalFormats().DecimalSeparator);
  return Text(text);
}

QString DayText(TDateTime aDay) {
  return Text(DateToStr(aDay));
}

}  // namespace

class TMovesPage::Model : public QAbstractTableModel {
 public:
  Model(const TMovesPage& aPage, QObject* aParent) : QAbstractTableModel(aParent), page_(aPage) {}

  int rowCount(const QModelIndex& aParent) const override {
    return aParent.isValid() ? 0 : static_cast<int>(page_.shown_.size());
  }
  int columnCount(const QModelIndex& aParent) const override { return aParent.isValid() ? 0 : 8; }
  QVariant headerData(int aSection, Qt::Orientation aOrientation, int aRole) const override {
    static const char* const kCaptions[] = {"Дата", "Время",      "Строка", "Интервал",
                                            "Ход",  "Интервалов", "Было",   "Стало"};
    if (aRole != Qt::DisplayRole || aOrientation != Qt::Horizontal || aSection < 0 ||
        aSection >= 8) {
      return QAbstractTableModel::headerData(aSection, aOrientation, aRole);
    }
    return QString::fromUtf8(kCaptions[aSection]);
  }
  QVariant data(const QModelIndex& aIndex, int aRole) const override {
    if (aRole == Qt::TextAlignmentRole && aIndex.column() >= 2 && aIndex.column() != 4) {
      return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (aRole != Qt::DisplayRole || !aIndex.isValid()) {
      return {};
    }
    const auto shown =
        static_cast<std::size_t>(page_.shown_[static_cast<std::size_t>(aIndex.row())]);
    const TMoveRow& row = page_.rows_[shown];
    switch (aIndex.column()) {
      case 0:
        return DayText(page_.dateFrom_ + row.DayIndex);
      case 1:
        return row.TimeOfDayMs >= 0 ? Text(ClockMsText(row.TimeOfDayMs)) : QString();
      case 2:
        return row.QuoteIndex;
      case 3:
        return row.IntervalValue;
      case 4:
        return row.Descending ? QStringLiteral("вниз") : QStringLiteral("вверх");
      case 5:
        return row.Count;
      case 6:
        return NumberText(row.OldExtreme);
      default:
        return NumberText(row.NewExtreme);
    }
  }

  void Reset(const std::function<void()>& aChange) {
    beginResetModel();
    aChange();
    endResetModel();
  }

 private:
  const TMovesPage& page_;
};

TMovesPage::TMovesPage(QWidget* aParent) : QWidget(aParent) {
  setObjectName(QStringLiteral("tsMoves"));
  auto* filters = MakeOwned<QHBoxLayout>();
  filters->addWidget(MakeOwned<QLabel>(QStringLiteral("Интервал:")));
  cbMovesInterval = MakeChild<QComboBox>(this, "cbMovesInterval");
  cbMovesInterval->setMinimumWidth(100);
  filters->addWidget(cbMovesInterval);
  filters->addWidget(MakeOwned<QLabel>(QStringLiteral("День:")));
  cbMovesDay = MakeChild<QComboBox>(this, "cbMovesDay");
  cbMovesDay->setMinimumWidth(100);
  filters->addWidget(cbMovesDay);
  btnExportMoves = MakeChild<QPushButton>(this, "btnExportMoves");
  btnExportMoves->setText(QStringLiteral("Экспорт…"));
  filters->addWidget(btnExportMoves);
  lblMovesCount = MakeChild<QLabel>(this, "lblMovesCount");
  filters->addWidget(lblMovesCount, 1);

  tvMoves = MakeChild<QTableView>(this, "tvMoves");
  model_ = MakeOwned<Model>(*this, this);
  tvMoves->setModel(model_);
  tvMoves->verticalHeader()->setVisible(false);
  tvMoves->verticalHeader()->setDefaultSectionSize(18);
  tvMoves->setSelectionBehavior(QAbstractItemView::SelectRows);

  twDayFigures = MakeChild<QTableWidget>(this, "twDayFigures");
  twDayFigures->setColumnCount(9);
  twDayFigures->setHorizontalHeaderLabels(
      {QStringLiteral("Дата"), QStringLiteral("Тиков"), QStringLiteral("Первая"),
       QStringLiteral("Макс."), QStringLiteral("Мин."), QStringLiteral("Последняя"),
       QStringLiteral("Размах"), QStringLiteral("Реализ. дисперсия"), QStringLiteral("Паркинсон")});
  twDayFigures->verticalHeader()->setVisible(false);
  twDayFigures->verticalHeader()->setDefaultSectionSize(18);
  twDayFigures->setEditTriggers(QAbstractItemView::NoEditTriggers);

  auto* splitter = MakeOwned<QSplitter>(Qt::Vertical, this);
  splitter->addWidget(tvMoves);
  splitter->addWidget(twDayFigures);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 1);
  auto* layout = MakeOwned<QVBoxLayout>(this);
  layout->addLayout(filters);
  layout->addWidget(splitter, 1);

  const auto filter = [this] { ApplyFilter(); };
  connect(cbMovesInterval, &QComboBox::currentIndexChanged, this, filter);
  connect(cbMovesDay, &QComboBox::currentIndexChanged, this, filter);
  connect(btnExportMoves, &QPushButton::clicked, this,
          [this] { RunGuarded([this] { ExportShown(); }); });
  Clear();
}

TMovesPage::~TMovesPage() = default;

void TMovesPage::ShowRun(const TMoveRowsCollector& aMoves, const TDayFiguresCollector& aDays,
                         const std::vector<std::int32_t>& aIntervalValues) {
  const QSignalBlocker intervalSignals(cbMovesInterval);
  const QSignalBlocker daySignals(cbMovesDay);
  dateFrom_ = aMoves.DateFrom();
  rows_ = aMoves.Rows();
  total_ = aMoves.Total();
  cbMovesInterval->clear();
  cbMovesInterval->addItem(QStringLiteral("Все"), kEveryItem);
  for (const std::int32_t value : aIntervalValues)
    cbMovesInterval->addItem(QString::number(value), value);
  cbMovesDay->clear();
  cbMovesDay->addItem(QStringLiteral("Все"), kEveryItem);
  for (std::size_t day = 0; day < aDays.Days().size(); ++day)
    cbMovesDay->addItem(DayText(aDays.DateFrom() + static_cast<double>(day)),
                        static_cast<int>(day));
  ShowDays(aDays);
  setEnabled(true);
  ApplyFilter();
}

void TMovesPage::Clear() {
  const QSignalBlocker intervalSignals(cbMovesInterval);
  const QSignalBlocker daySignals(cbMovesDay);
  cbMovesInterval->clear();
  cbMovesDay->clear();
  rows_.clear();
  total_ = 0;
  twDayFigures->setRowCount(0);
  setEnabled(false);
  ApplyFilter();
}

void TMovesPage::ApplyFilter() {
  const int interval =
      cbMovesInterval->count() > 0 ? cbMovesInterval->currentData().toInt() : kEveryItem;
  const int day = cbMovesDay->count() > 0 ? cbMovesDay->currentData().toInt() : kEveryItem;
  model_->Reset([&] {
    shown_.clear();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      const TMoveRow& row = rows_[i];
      if ((interval == kEveryItem || row.IntervalValue == interval) &&
          (day == kEveryItem || row.DayIndex == day)) {
        shown_.push_back(static_cast<std::int32_t>(i));
      }
    }
  });
  QString count = QStringLiteral("Движений: %1").arg(total_);
  if (static_cast<std::size_t>(total_) > rows_.size()) {
    count += QStringLiteral(" (в таблице первые %1)").arg(rows_.size());
  }
  lblMovesCount->setText(count + QStringLiteral("; показано: %1").arg(shown_.size()));
  btnExportMoves->setEnabled(!shown_.empty());
}

void TMovesPage::ShowDays(const TDayFiguresCollector& aDays) {
  const std::vector<TDayFigures>& days = aDays.Days();
  twDayFigures->setRowCount(static_cast<int>(days.size()));
  for (std::size_t i = 0; i < days.size(); ++i) {
    const TDayFigures& day = days[i];
    QStringList cells{DayText(aDays.DateFrom() + static_cast<double>(i)),
                      QString::number(day.Ticks)};
    if (day.Ticks > 0) {
      double parkinson = 0.0;
      cells << NumberText(day.First) << NumberText(day.High) << NumberText(day.Low)
            << NumberText(day.Last) << NumberText(day.High - day.Low)
            << NumberText(day.RealizedVariance)
            << (day.Parkinson(parkinson) ? NumberText(parkinson) : QString());
    }
    for (int column = 0; column < twDayFigures->columnCount(); ++column) {
      auto* cell = MakeOwned<QTableWidgetItem>(column < cells.size() ? cells[column] : QString());
      if (column > 0)
        cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      twDayFigures->setItem(static_cast<int>(i), column, cell);
    }
  }
  twDayFigures->resizeColumnsToContents();
}

std::string TMovesPage::ShownCsv() const {
  return MoveTableCsv(dateFrom_, rows_, shown_);
}

void TMovesPage::ExportShown() {
  SaveExport(SuggestedName(), InCsvFormat(ShownCsv(), CsvFormat()));
}

}  // namespace melquon

#include "engine/run_summary.h"

#include <charconv>

#include "runtime/number_text.h"

namespace melquon {

namespace {

std::string Count(std::uint64_t aValue) {
  return IntToStr(static_cast<std::int64_t>(aValue));
}

// A fraction with two decimals and the program's separator: "1,25".
std::string Fixed2(double aValue, char aSeparator) {
  char buffer[64];
  const auto written =
      std::to_chars(buffer, buffer + sizeof buffer, aValue, std::chars_format::fixed, 2);
  std::string text(buffer, written.ptr);
  for (char& c : text) {
    c = c == '.' ? aSeparator : c;
  }
  return text;
}

// A text quoted for JSON: quotes, backslashes and control characters escaped.
std::string JsonString(const std::string& aText) {
  std::string out = "\"";
  for (const char c : aText) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      out += "\\u00" + std::string(1, "0123456789abcdef"[c >> 4]) +
             std::string(1, "0123456789abcdef"[c & 15]);
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string LinesPerSecond(const TRunSummary& aSummary) {
  if (!(aSummary.Seconds > 0.0)) {
    return "—";
  }
  return Count(static_cast<std::uint64_t>(static_cast<double>(aSummary.Lines) / aSummary.Seconds));
}

}  // namespace

std::string NothingCountedReason(const TRunSummary& aSummary) {
  const TQuoteStats& q = aSummary.Quotes;
  if (q.Accepted > 0) {
    return {};
  }
  if (aSummary.Days <= 0) {
    return "Ничего не посчитано: в выбранном периоде нет ни одного дня.";
  }
  if (aSummary.DayFiles == 0) {
    return "Ничего не посчитано: не найден ни один файл дня. Первым искался файл\n" +
           aSummary.FirstDayFile +
           "\nПроверьте ArchivePath (в конце нужен разделитель) и DataFileTemplate.";
  }
  if (q.Unreadable == 0 && !q.SawBadPrice && q.Skipped == 0) {
    std::string text =
        "Ничего не посчитано: ни одна строка не подошла к шаблону FindWhat для контракта " +
        aSummary.Contract + ".\nШаблон: " + aSummary.Pattern + "\nПервые строки первого файла:";
    for (const std::string& line : aSummary.FirstLines) {
      text += "\n  " + line;
    }
    return text;
  }
  if (q.Unreadable > 0 && !q.SawBadPrice) {
    return "Ничего не посчитано: ни в одной строке не прочитаны дата и время (DT). Первое "
           "значение DT: «" +
           q.FirstUnreadableDateTime + "».\nОжидаются дата в виде " +
           aSummary.Formats.ShortDateFormat + " и время в виде " + aSummary.Formats.LongTimeFormat +
           ".";
  }
  if (q.SawBadPrice) {
    return "Ничего не посчитано: ни одна цена (CONTRACT) не прочитана. Первое значение "
           "CONTRACT: «" +
           q.FirstBadPrice + "».\nЦена пишется цифрами, с точкой перед дробной частью.";
  }
  return "Ничего не посчитано: все строки попали в окна пропуска (SKIP INTERVALS).";
}

std::string RunSummaryText(const TRunSummary& aSummary) {
  const FormatSettings& f = aSummary.Formats;
  const TQuoteStats& q = aSummary.Quotes;
  std::string text = "Контракт " + aSummary.Contract + ", " + DateToStr(aSummary.DateFrom, f) +
                     " – " + DateToStr(aSummary.DateTo, f) + ", интервалы " +
                     IntToStr(aSummary.IntervalFrom) + " – " + IntToStr(aSummary.IntervalTo) +
                     " с шагом " + IntToStr(aSummary.IntervalStep) + "\n";
  text += "Дней: " + IntToStr(aSummary.Days) + ", с файлом: " + IntToStr(aSummary.DayFiles) +
          ", без файла: " + IntToStr(aSummary.Days - aSummary.DayFiles) + "\n";
  text += "Строк прочитано: " + Count(aSummary.Lines) + "; принято: " + Count(q.Accepted) +
          "; в окнах пропуска: " + Count(q.Skipped) +
          "; с нечитаемыми датой и временем: " + Count(q.Unreadable) +
          "; без цены (другие контракты и строки не по шаблону): " + Count(q.NoPrice) + "\n";
  text += "Время: " + Fixed2(aSummary.Seconds, f.DecimalSeparator) +
          " с; строк в секунду: " + LinesPerSecond(aSummary);
  const std::string reason = NothingCountedReason(aSummary);
  if (!reason.empty()) {
    text += "\n" + reason;
  }
  return text;
}

std::string RunSummaryJson(const TRunSummary& aSummary) {
  const TQuoteStats& q = aSummary.Quotes;
  return "{\"contract\": " + JsonString(aSummary.Contract) +
         ", \"days\": " + IntToStr(aSummary.Days) +
         ", \"day_files\": " + IntToStr(aSummary.DayFiles) +
         ", \"lines\": " + Count(aSummary.Lines) + ", \"accepted\": " + Count(q.Accepted) +
         ", \"skipped\": " + Count(q.Skipped) + ", \"unreadable\": " + Count(q.Unreadable) +
         ", \"no_price\": " + Count(q.NoPrice) + ", \"seconds\": " + Fixed2(aSummary.Seconds, '.') +
         ", \"reason\": " + JsonString(NothingCountedReason(aSummary)) + "}\n";
}

}  // namespace melquon

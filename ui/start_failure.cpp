#include "ui/start_failure.h"

#include <charconv>
#include <new>
#include <stdexcept>
#include <string_view>

#include "engine/calculation.h"
#include "runtime/number_text.h"

namespace melquon {

namespace {

constexpr std::string_view kContractMark = "$CONTRACT";

// An offset into the pattern the run compiled as an offset into FindWhat as written.
std::size_t OffsetInFindWhat(std::size_t aOffset, std::string_view aFindWhat,
                             std::string_view aContract) {
  const std::size_t mark = aFindWhat.find(kContractMark);
  if (mark == std::string_view::npos || aOffset <= mark)
    return aOffset;
  if (aOffset < mark + aContract.size())
    return mark;
  return aOffset - aContract.size() + kContractMark.size();
}

// "Invalid regular expression at offset N: reason" as «Шаблон FindWhat: reason (позиция N)».
std::string PatternFailureText(std::string_view aMessage, std::string_view aFindWhat,
                               std::string_view aContract) {
  constexpr std::string_view kPrefix = "Invalid regular expression at offset ";
  aMessage.remove_prefix(kPrefix.size());
  const std::size_t colon = aMessage.find(": ");
  std::size_t offset = 0;
  const auto [end, ec] = std::from_chars(aMessage.data(), aMessage.data() + colon, offset);
  if (colon == std::string_view::npos || ec != std::errc() || end != aMessage.data() + colon)
    return "Шаблон FindWhat: " + std::string(aMessage);
  return "Шаблон FindWhat: " + std::string(aMessage.substr(colon + 2)) + " (позиция " +
         IntToStr(static_cast<std::int64_t>(OffsetInFindWhat(offset, aFindWhat, aContract))) + ")";
}

}  // namespace

std::string StartFailureText(std::string_view aFindWhat, std::string_view aContract) {
  try {
    throw;
  } catch (const ERunCancelled&) {
    return "Расчёт прерван";
  } catch (const EFieldError& e) {
    return e.UserText;
  } catch (const std::domain_error&) {
    // The count of interval values divides by the step.
    return "Шаг интервала не может быть 0";
  } catch (const std::length_error& e) {
    const std::string_view message = e.what();
    if (message.starts_with("The result set of"))
      return "Интервалы: слишком много значений на этот период, сузьте диапазон или увеличьте "
             "шаг (" +
             std::string(message) + ")";
    return "Замена ReplaceWith: " + std::string(message);
  } catch (const std::out_of_range&) {
    return "Даты: период выходит за пределы календаря (годы 1–9999)";
  } catch (const EInOutError& e) {
    return "Файл дня: " + std::string(e.what());
  } catch (const std::bad_alloc&) {
    return "Не хватило памяти для расчёта";
  } catch (const std::exception& e) {
    const std::string_view message = e.what();
    if (message.starts_with("Invalid regular expression at offset "))
      return PatternFailureText(message, aFindWhat, aContract);
    return std::string(message);
  } catch (...) {
    return "Неизвестная ошибка";
  }
}

}  // namespace melquon

#pragma once

#include <string>
#include <string_view>

#include "runtime/errors.h"

namespace melquon {

// A field of the main page whose text is no integer. what() is the program's own message, the
// one its log keeps; UserText names the field for the person at the window.
class EFieldError : public EConvertError {
 public:
  EFieldError(const std::string& aMessage, std::string aUserText)
      : EConvertError(aMessage), UserText(std::move(aUserText)) {}

  std::string UserText;
};

// Why Start failed, from the exception being handled: in Russian, naming the field or the
// setting at fault. A place in the pattern is counted in aFindWhat as written, the run having
// put aContract in for its first "$CONTRACT".
std::string StartFailureText(std::string_view aFindWhat, std::string_view aContract);

}  // namespace melquon

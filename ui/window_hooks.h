#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QUrl;

namespace melquon {

// Everything the window does that a person would hear or see outside the window itself goes
// through these hooks, so tests and scripted runs can replace them.
struct TUiHooks {
  // The system's default beep.
  std::function<void()> Beep;
  // The plain modal notice: the text and one OK button, no icon.
  std::function<void(const std::string& aText)> MessageBox;
  // The modal notice of an unexpected error.
  std::function<void(const std::string& aText)> ErrorBox;
  // Hands an address to the desktop's default handler; true when that succeeded.
  std::function<bool(const QUrl& aUrl)> OpenUrl;
  // Asks a question with the answers given as buttons; the number of the one chosen (from 0),
  // or the last when the question is closed.
  std::function<int(const std::string& aText, const std::vector<std::string>& aAnswers)> Ask;
  // Asks the size of an image to export, offering aWidth x aHeight; none when the user declined.
  std::function<std::optional<std::pair<int, int>>(int aWidth, int aHeight)> ImageSize;
  // Asks where to save a file, aSuggested the name offered; empty when the user declined.
  std::function<std::string(const std::string& aSuggested)> SaveFileName;
};

TUiHooks DefaultUiHooks();

// The hooks in force; starts as DefaultUiHooks().
TUiHooks& UiHooks();

}  // namespace melquon

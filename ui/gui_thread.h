#pragma once

#include <functional>

namespace melquon {

// Runs aWork in the thread of the window and waits for it: widgets may only be touched there,
// and a run going on in a worker thread may still need to show a notice.
void RunInGuiThread(const std::function<void()>& aWork);

}  // namespace melquon

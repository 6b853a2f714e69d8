#pragma once

namespace client {
class TaskQueue;
}

// The web engine behind the windows. Without it (VELTRANE_ENGINE=headless, or no display) windows keep their state
// and report as a browser window would, but show nothing.
namespace veltranelib::engine {

// Starts the engine unless VELTRANE_ENGINE is "headless" or no display answers; true when windows show real pages
// from now on. Call once, on the thread that becomes the UI thread, before any window opens.
bool start(bool sandbox);
bool running();
// True on the thread that runs the engine.
bool onUiThread();
// Runs the engine's event loop, which also runs the queue's tasks, until the queue quits; then closes every page
// and ends the engine. The result is the loop's exit code.
int runLoop(client::TaskQueue& queue);

}  // namespace veltranelib::engine

#pragma once

#include <string>

#include "veltranelib/native_window.h"

class NativeWindowManager;

// Carries out a host's command word on a window, the same for every transport. Words are compared exactly; the
// first that matches acts and a word that matches none does nothing. Window operations are posted to the UI
// thread; the activation words act on the registry at once, on the calling thread.
void runWindowCommand(NativeWindowManager& windowManager, const scoped_refptr<NativeWindow>& window,
                      const std::string& word);

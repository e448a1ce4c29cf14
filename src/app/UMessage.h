// The one way the core shows a message box. Readers call ShowErrorMessage;
// the viewer connects it to a modal error box, the command-line tool to
// standard error, and tests capture it.
#pragma once

#include <functional>
#include <string>

using TMessageHandler = std::function<void(const std::string &text)>;

// Installs handler and returns the one it replaces. An empty handler restores
// the default, which writes the text to standard error.
TMessageHandler SetErrorMessageHandler(TMessageHandler handler);
void ShowErrorMessage(const std::string &text);
// A message about a file, naming it first: "path": text.
std::string AboutFile(const std::string &path, const std::string &text);

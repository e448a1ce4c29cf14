#include "app/UMessage.h"

#include <iostream>

namespace {
TMessageHandler &Handler()
{
    static TMessageHandler handler;
    return handler;
}
} // namespace

TMessageHandler SetErrorMessageHandler(TMessageHandler handler)
{
    TMessageHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

std::string AboutFile(const std::string &path, const std::string &text)
{
    return "\"" + path + "\": " + text;
}

void ShowErrorMessage(const std::string &text)
{
    if (Handler())
        Handler()(text);
    else
        std::cerr << text << '\n';
}

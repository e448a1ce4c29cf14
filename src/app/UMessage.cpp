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

void ShowErrorMessage(const std::string &text)
{
    if (Handler())
        Handler()(text);
    else
        std::cerr << text << '\n';
}

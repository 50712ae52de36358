#pragma once
// The application error handler: every exception that escapes an event
// handler ends up here and is shown in a message box titled with the
// application title; the program goes on.
#include <exception>
#include <string>

namespace quorvia::ui {

// The message as shown: a "." is appended when the message is not empty and
// its last byte sorts after ".".
std::string ErrorMessageText(const std::string& message);

// Shows the exception: an engine exception in a warning box, any other in an
// error box. Safe to call from any thread (the box is shown on the
// user-interface thread; off it the call does not wait).
void HandleApplicationException(std::exception_ptr error);

}  // namespace quorvia::ui

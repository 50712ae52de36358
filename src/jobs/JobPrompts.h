#pragma once
// The message boxes the job code may show, behind an interface: the desktop
// program answers with windows, quorvia-batch and the tests on their own terms.
#include <string>

namespace quorvia {

class IJobPrompts {
public:
    virtual ~IJobPrompts() = default;
    // A warning with an OK button.
    virtual void Warning(const std::string& caption, const std::string& text) = 0;
    // A question with Yes and No buttons; true = Yes.
    virtual bool Question(const std::string& caption, const std::string& text) = 0;
};

}  // namespace quorvia

#pragma once

#include <string>

namespace qv {

// A modal message box with the classic style codes: buttons (0 OK, 4 Yes/No) plus icon
// (16 critical, 32 question, 48 exclamation, 64 information); answers 1 OK, 6 Yes, 7 No.
class MessageBox {
public:
    enum Style { OkOnly = 0, YesNo = 4, Critical = 16, Question = 32, Exclamation = 48, Information = 64 };
    enum Answer { Ok = 1, Yes = 6, No = 7 };

    virtual ~MessageBox() = default;
    // prompt and title are UTF-8.
    virtual int show(const std::string& prompt, int style, const std::string& title) = 0;
};

} // namespace qv

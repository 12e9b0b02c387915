// Status names and the result's message.

#include "result.h"

#include <cstdio>

const char* StatusName(Status s) {
    static const char* const names[StatusCount] = {"ok",     "up-to-date", "not-pfs", "not-regular",
                                                   "failed", "crashed",    "timeout", "changed"};
    return names[static_cast<int>(s)];
}

bool IsFailure(Status s) {
    return s == Status::Failed || s == Status::Crashed || s == Status::Timeout ||
           s == Status::Changed;
}

void SetMessage(Result& r, const char* text) {
    std::snprintf(r.message, sizeof r.message, "%s", text);
}

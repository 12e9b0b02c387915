#include "common/run_settings.h"

const char* InFileName = nullptr;
const char* OutFileName = nullptr;
char TransType = 0;
int32_t Display = 1;
int32_t ErrLock = 0;

void ResetRunSettings() {
    InFileName = nullptr;
    OutFileName = nullptr;
    TransType = 0;
    Display = 1;
    ErrLock = 0;
}

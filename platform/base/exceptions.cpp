#include "platform/base/exceptions.h"

void Abort() { throw EAbort("Operation aborted"); }

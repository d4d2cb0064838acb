#include "app/Headless.h"

#include <cstdio>

int RunHeadlessTransfer(const HeadlessOptions& options)
{
    Q_UNUSED(options);
    std::fprintf(stderr, "vq800: parameter transfer is not available in this build\n");
    return 2;
}

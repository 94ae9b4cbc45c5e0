// The program's version, the one place it is declared: the version block and the packages read it.
#pragma once

#define DT_VERSION_MAJOR 1
#define DT_VERSION_MINOR 0
#define DT_VERSION_BUILD 0

#define DT_VERSION_STR_(x) #x
#define DT_VERSION_STR(x) DT_VERSION_STR_(x)
#define DT_VERSION_TEXT              \
    DT_VERSION_STR(DT_VERSION_MAJOR) \
    "." DT_VERSION_STR(DT_VERSION_MINOR) "." DT_VERSION_STR(DT_VERSION_BUILD)

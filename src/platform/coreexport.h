#pragma once

#include <QtGlobal>

// The core is one shared library. On Windows a class whose signals are connected from the
// program or the window is declared imported there: a pointer to a signal taken outside the
// DLL would otherwise be the address of an import stub, which Qt finds among no class's
// signals, and the connection would silently not be made.
#if defined(DURVEX_CORE_BUILD)
#define DURVEX_CORE_EXPORT Q_DECL_EXPORT
#elif defined(DURVEX_CORE_SHARED)
#define DURVEX_CORE_EXPORT Q_DECL_IMPORT
#else
#define DURVEX_CORE_EXPORT
#endif

#pragma once

#include <QLibrary>
#include <QString>

namespace orvane {

// Responsibilities: a shared library that one feature alone needs (the
// PostgreSQL client, the radio library, the synthesiser), opened the first
// time that feature is used instead of by the loader at start. Each of those
// brings a dozen libraries of its own; a window that never follows a radio
// or writes to a server neither loads nor relocates any of them.
//
// The library is named by its soname, so the version the program was built
// against is the one opened. The functions are the library's own
// declarations, taken from its header with decltype, so a call through one
// is checked as a direct call would be:
//
//   struct Pq {
//       OnDemandLibrary library{"libpq.so.5", "the PostgreSQL client library"};
//       ORVANE_LIBRARY_FUNCTION(library, PQexec);
//   };
//
// Once loaded, the library stays loaded to the end of the process.
class OnDemandLibrary {
public:
    // Opens `soname`; throws OrvaneError naming `what` and the loader's
    // reason when it cannot be opened.
    OnDemandLibrary(const char* soname, const char* what);
    OnDemandLibrary(const OnDemandLibrary&) = delete;
    OnDemandLibrary& operator=(const OnDemandLibrary&) = delete;

    // The function `name`, typed as its declaration; throws OrvaneError when
    // the library has no such symbol (a library of another version).
    template <typename Function>
    Function* resolve(const char* name) {
        return reinterpret_cast<Function*>(address(name));
    }

private:
    QFunctionPointer address(const char* name);

    QLibrary library_;
    QString what_;
};

}  // namespace orvane

// A member of a struct of the library's functions, named as the function.
#define ORVANE_LIBRARY_FUNCTION(library, name) \
    decltype(&::name) name = (library).resolve<decltype(::name)>(#name)

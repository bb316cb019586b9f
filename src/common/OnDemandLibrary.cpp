#include "common/OnDemandLibrary.h"

#include "common/OrvaneError.h"

namespace orvane {

OnDemandLibrary::OnDemandLibrary(const char* soname, const char* what)
    : library_(QString::fromUtf8(soname)), what_(QString::fromUtf8(what)) {
    // The soname is a file name: the loader looks for it where it looks for
    // the program's own libraries, and QLibrary adds no prefix or suffix.
    library_.setLoadHints(QLibrary::PreventUnloadHint);
    if (!library_.load())
        throw OrvaneError(QStringLiteral("%1 cannot be loaded: %2").arg(what_, library_.errorString()).toStdString());
}

QFunctionPointer OnDemandLibrary::address(const char* name) {
    const QFunctionPointer function = library_.resolve(name);
    if (!function)
        throw OrvaneError(QStringLiteral("%1 (%2) has no function %3")
                              .arg(what_, library_.fileName(), QString::fromUtf8(name))
                              .toStdString());
    return function;
}

}  // namespace orvane

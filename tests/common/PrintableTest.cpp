// Text from servers and files, made safe to print.
#include <gtest/gtest.h>

#include "common/Printable.h"

namespace orvane {
namespace {

TEST(Printable, ControlCharactersBecomeHexEscapesAndTheRestStays) {
    struct Case {
        const char* name;
        QString in;
        QString out;
    };
    const Case cases[] = {
        {"Plain", QStringLiteral("226 Transfer complete"), QStringLiteral("226 Transfer complete")},
        {"Escape", QStringLiteral("200 \x1b[2Jok"), QStringLiteral("200 \\x1b[2Jok")},
        {"NulAndBell", QString::fromLatin1("a\0b\x07", 4), QStringLiteral("a\\x00b\\x07")},
        {"TabAndLineEnds", QStringLiteral("a\tb\r\n"), QStringLiteral("a\\x09b\\x0d\\x0a")},
        {"DeleteAndC1", QString::fromUtf16(u"x\u007F\u009By"), QStringLiteral("x\\x7f\\x9by")},
        {"AccentsAndBackslashKept", QString::fromUtf16(u"Funchal, Madeira \u00E9 \\"),
         QString::fromUtf16(u"Funchal, Madeira \u00E9 \\")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(printable(c.in), c.out);
    }
}

}  // namespace
}  // namespace orvane

#pragma once

#include <QString>

#include <array>
#include <string_view>

namespace orvane {

// Responsibilities: the socket error numbers and texts the program reports
// ("10061:Connection refused"). The numbers are the classic Windows Sockets
// ones, which users and the help pages know; errno values of this platform
// are mapped onto them so that every text reads the same everywhere.

struct WinsockMessageRow {
    int number;
    std::string_view message;
};

// 51 rows; the last row (0, "Unrecognized error code") is a terminator that no
// lookup reaches.
extern const std::array<WinsockMessageRow, 51> WinsockMessage;

// Socket error numbers the code refers to by name.
inline constexpr int WSAEWOULDBLOCK = 10035;
inline constexpr int WSAEINPROGRESS = 10036;
inline constexpr int WSAECONNRESET = 10054;
inline constexpr int WSAETIMEDOUT = 10060;
inline constexpr int WSAECONNREFUSED = 10061;
inline constexpr int WSAHOST_NOT_FOUND = 11001;

// "" for 0; "<n>:<message>" for a number in the table; else
// "Unknown Error No. <n>".
QString SocketErrorStr(int errorNo);

// Maps an errno value of this platform to the socket error number above
// (ECONNREFUSED -> 10061, EAGAIN -> 10035, ...); 0 stays 0; an errno with no
// counterpart maps to itself, which then reads "Unknown Error No. <errno>".
int socketErrorFromErrno(int errnoValue);

// Maps a getaddrinfo() result code to 11001..11004 (0 stays 0).
int socketErrorFromLookup(int gaiCode);

}  // namespace orvane

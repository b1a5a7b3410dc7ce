#include "text/DateFormat.h"

#include <cstdio>

namespace tavik {
namespace {

std::string twoDigits(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

std::string fourDigits(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d", n);
    return buf;
}

std::string clock(const LocalDateTime& t) {
    return twoDigits(t.hour) + ":" + twoDigits(t.minute) + ":" + twoDigits(t.second);
}

}  // namespace

std::string formatDate(const LocalDateTime& t) {
    return twoDigits(t.day) + "." + twoDigits(t.month) + "." + fourDigits(t.year);
}

std::string formatDateTime(const LocalDateTime& t) { return formatDate(t) + " " + clock(t); }

std::string formatGeneralDate(const LocalDateTime& t) {
    if (t.hour == 0 && t.minute == 0 && t.second == 0) return formatDate(t);
    return formatDateTime(t);
}

std::string formatHostsStamp(const LocalDateTime& t) {
    return formatDate(t) + " " + twoDigits(t.hour) + ":" + twoDigits(t.minute);
}

std::string formatServerDatum(const LocalDateTime& t) { return formatDate(t) + " - " + clock(t); }

}  // namespace tavik

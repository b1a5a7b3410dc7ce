#pragma once
#include <string>

#include "platform/Clock.h"

namespace tavik {

// The fixed German date forms the program writes.
std::string formatDate(const LocalDateTime& t);         // "dd.mm.yyyy"
std::string formatDateTime(const LocalDateTime& t);     // "dd.mm.yyyy hh:mm:ss"
std::string formatGeneralDate(const LocalDateTime& t);  // as above, the date alone at midnight
std::string formatHostsStamp(const LocalDateTime& t);   // "dd.mm.yyyy HH:MM"
std::string formatServerDatum(const LocalDateTime& t);  // "dd.mm.yyyy - hh:mm:ss"

}  // namespace tavik

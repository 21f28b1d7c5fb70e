#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tovik::sampleserver {

// The order in which a language reads the day and the month of a dashed date text.
enum class DateOrder { Mdy, Dmy };

// A session language as SQL Server names it (sys.syslanguages), with the date format it sets.
struct LoginLanguage
{
    std::string name;
    DateOrder dateOrder = DateOrder::Mdy;

    // By name or alias, without regard to letter case; nothing for a language this server lacks.
    static std::optional<LoginLanguage> find(std::string_view name);
    static std::vector<std::string> names();
    static LoginLanguage usEnglish();
};

} // namespace tovik::sampleserver

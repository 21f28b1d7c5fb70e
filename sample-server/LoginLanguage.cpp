#include "LoginLanguage.h"

#include "TextCodec.h"

#include <array>

namespace tovik::sampleserver {

namespace {

struct KnownLanguage
{
    const char *name;
    const char *alias;
    DateOrder dateOrder;
};

constexpr std::array<KnownLanguage, 4> kLanguages {{
    {"us_english", "English", DateOrder::Mdy},
    {"British", "British English", DateOrder::Dmy},
    {"Deutsch", "German", DateOrder::Dmy},
    {"Fran\xC3\xA7"
     "ais",
        "French", DateOrder::Dmy},
}};

} // namespace

std::optional<LoginLanguage> LoginLanguage::find(std::string_view name)
{
    for (const KnownLanguage &known : kLanguages) {
        // The one non-ASCII letter (ç) is compared exactly; SQL Server's names carry it lower case.
        if (TextCodec::equalsIgnoringCase(known.name, name)
            || TextCodec::equalsIgnoringCase(known.alias, name))
            return LoginLanguage {known.name, known.dateOrder};
    }
    return std::nullopt;
}

std::vector<std::string> LoginLanguage::names()
{
    std::vector<std::string> all;
    for (const KnownLanguage &known : kLanguages)
        all.emplace_back(known.name);
    return all;
}

LoginLanguage LoginLanguage::usEnglish()
{
    return {kLanguages[0].name, kLanguages[0].dateOrder};
}

} // namespace tovik::sampleserver

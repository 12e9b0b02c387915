// Only in a build with the ODT export (librevenge is there then).
// The properties of a recorded call, measures in their short form.
#ifdef RENDER_HAVE_ODT

#include "support/recording_text.h"

#include <regex>

namespace {

// librevenge writes measures with four decimals ("1.5000in"); the record
// keeps the short form ("1.5in", "0in", "12pt") so expected calls read easily.
std::string Short(const std::string& value) {
    static const std::regex number(R"((-?\d+)(\.\d*?)0*([a-z%]*))");
    std::smatch m;
    if (!std::regex_match(value, m, number))
        return value;
    std::string fraction = m[2].str();
    if (fraction == ".")
        fraction.clear();
    std::string whole = m[1].str() + fraction;
    return (whole == "-0" ? "0" : whole) + m[3].str();
}

} // namespace

std::vector<std::pair<std::string, std::string>>
RecordingText::Props(const librevenge::RVNGPropertyList& props) {
    std::vector<std::pair<std::string, std::string>> out;
    librevenge::RVNGPropertyList::Iter i(props);
    for (i.rewind(); i.next();) {
        std::string value;
        if (const librevenge::RVNGPropertyListVector* v = i.child()) {
            value = "[";
            for (unsigned long k = 0; k < v->count(); ++k) {
                value += k ? "; " : "";
                bool first = true;
                for (const auto& [key, text] : Props((*v)[k])) {
                    value += (first ? "" : " ") + key + "=" + text;
                    first = false;
                }
            }
            value += "]";
        } else {
            value = Short(i()->getStr().cstr());
        }
        out.emplace_back(i.key(), value);
    }
    return out;
}

#endif

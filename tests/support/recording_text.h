// A librevenge text interface that records the calls made on it: each
// call's name and its properties in the order of their keys (a text argument
// as the property "text"; a property-list vector as one value
// "[a=1 b=2; a=3 b=4]"), measures without trailing zeros ("0.5in", "12pt").
#pragma once

#include <librevenge/librevenge.h>

#include <string>
#include <utility>
#include <vector>

struct RecordedCall {
    std::string name;
    std::vector<std::pair<std::string, std::string>> props;
};

class RecordingText : public librevenge::RVNGTextInterface {
  public:
    std::vector<RecordedCall> calls;

    static std::vector<std::pair<std::string, std::string>>
    Props(const librevenge::RVNGPropertyList& props);

#define RECORD_PROPS(name)                                                                         \
    void name(const librevenge::RVNGPropertyList& p) override {                                    \
        calls.push_back({#name, Props(p)});                                                        \
    }
#define RECORD(name)                                                                               \
    void name() override {                                                                         \
        calls.push_back({#name, {}});                                                              \
    }
    RECORD_PROPS(setDocumentMetaData)
    RECORD_PROPS(startDocument)
    RECORD(endDocument)
    RECORD_PROPS(definePageStyle)
    RECORD_PROPS(defineEmbeddedFont)
    RECORD_PROPS(openPageSpan)
    RECORD(closePageSpan)
    RECORD_PROPS(openHeader)
    RECORD(closeHeader)
    RECORD_PROPS(openFooter)
    RECORD(closeFooter)
    RECORD_PROPS(defineParagraphStyle)
    RECORD_PROPS(openParagraph)
    RECORD(closeParagraph)
    RECORD_PROPS(defineCharacterStyle)
    RECORD_PROPS(openSpan)
    RECORD(closeSpan)
    RECORD_PROPS(openLink)
    RECORD(closeLink)
    RECORD_PROPS(defineSectionStyle)
    RECORD_PROPS(openSection)
    RECORD(closeSection)
    RECORD(insertTab)
    RECORD(insertSpace)
    void insertText(const librevenge::RVNGString& text) override {
        calls.push_back({"insertText", {{"text", text.cstr()}}});
    }
    RECORD(insertLineBreak)
    RECORD_PROPS(insertField)
    RECORD_PROPS(openOrderedListLevel)
    RECORD_PROPS(openUnorderedListLevel)
    RECORD(closeOrderedListLevel)
    RECORD(closeUnorderedListLevel)
    RECORD_PROPS(openListElement)
    RECORD(closeListElement)
    RECORD_PROPS(openFootnote)
    RECORD(closeFootnote)
    RECORD_PROPS(openEndnote)
    RECORD(closeEndnote)
    RECORD_PROPS(openComment)
    RECORD(closeComment)
    RECORD_PROPS(openTextBox)
    RECORD(closeTextBox)
    RECORD_PROPS(openTable)
    RECORD_PROPS(openTableRow)
    RECORD(closeTableRow)
    RECORD_PROPS(openTableCell)
    RECORD(closeTableCell)
    RECORD_PROPS(insertCoveredTableCell)
    RECORD(closeTable)
    RECORD_PROPS(openFrame)
    RECORD(closeFrame)
    RECORD_PROPS(insertBinaryObject)
    RECORD_PROPS(insertEquation)
    RECORD_PROPS(openGroup)
    RECORD(closeGroup)
    RECORD_PROPS(defineGraphicStyle)
    RECORD_PROPS(drawRectangle)
    RECORD_PROPS(drawEllipse)
    RECORD_PROPS(drawPolygon)
    RECORD_PROPS(drawPolyline)
    RECORD_PROPS(drawPath)
    RECORD_PROPS(drawConnector)
#undef RECORD
#undef RECORD_PROPS
};

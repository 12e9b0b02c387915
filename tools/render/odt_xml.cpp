// libodfgen hands element names, attributes and text as they are (not
// escaped); the writer escapes them.  The attribute order is the property
// list's, which libodfgen fills in a fixed order, so the same document gives
// the same bytes.

#include "odt_xml.h"

namespace vnkdump {

namespace {

const xmlChar* X(const char* text) {
    return reinterpret_cast<const xmlChar*>(text);
}

} // namespace

XmlHandler::XmlHandler() : buffer_(xmlBufferCreate()), writer_(nullptr) {
    if (buffer_ != nullptr)
        writer_ = xmlNewTextWriterMemory(buffer_, 0);
    failed_ = writer_ == nullptr;
}

XmlHandler::~XmlHandler() {
    if (writer_ != nullptr)
        xmlFreeTextWriter(writer_);
    if (buffer_ != nullptr)
        xmlBufferFree(buffer_);
}

void XmlHandler::Check(int result) {
    if (result < 0)
        failed_ = true;
}

void XmlHandler::startDocument() {
    if (writer_ != nullptr)
        Check(xmlTextWriterStartDocument(writer_, "1.0", "UTF-8", nullptr));
}

void XmlHandler::endDocument() {
    if (writer_ == nullptr)
        return;
    Check(xmlTextWriterEndDocument(writer_));
    Check(xmlTextWriterFlush(writer_));
}

void XmlHandler::startElement(const char* name, const librevenge::RVNGPropertyList& attributes) {
    if (writer_ == nullptr)
        return;
    Check(xmlTextWriterStartElement(writer_, X(name)));
    librevenge::RVNGPropertyList::Iter i(attributes);
    for (i.rewind(); i.next();)
        if (i.child() == nullptr)
            Check(xmlTextWriterWriteAttribute(writer_, X(i.key()), X(i()->getStr().cstr())));
}

void XmlHandler::endElement(const char*) {
    if (writer_ != nullptr)
        Check(xmlTextWriterEndElement(writer_));
}

void XmlHandler::characters(const librevenge::RVNGString& text) {
    if (writer_ != nullptr)
        Check(xmlTextWriterWriteString(writer_, X(text.cstr())));
}

std::string XmlHandler::Text() const {
    if (buffer_ == nullptr)
        return {};
    return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer_)),
                       static_cast<size_t>(xmlBufferLength(buffer_)));
}

} // namespace vnkdump

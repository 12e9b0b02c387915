// libodfgen's output as XML text: an OdfDocumentHandler that serialises the
// element and text events of one stream (content.xml, styles.xml, ...) with
// libxml2's xmlTextWriter, which escapes attribute values and text.
#pragma once

#include <libodfgen/OdfDocumentHandler.hxx>
#include <libxml/xmlwriter.h>

#include <string>

namespace vnkdump {

class XmlHandler : public OdfDocumentHandler {
  public:
    XmlHandler();
    ~XmlHandler() override;
    XmlHandler(const XmlHandler&) = delete;
    XmlHandler& operator=(const XmlHandler&) = delete;

    void startDocument() override;
    void endDocument() override;
    void startElement(const char* name, const librevenge::RVNGPropertyList& attributes) override;
    void endElement(const char* name) override;
    void characters(const librevenge::RVNGString& text) override;

    // The document written since startDocument, UTF-8; empty when nothing was
    // written.  False when libxml2 failed at some step (out of memory).
    bool Good() const { return !failed_; }
    std::string Text() const;

  private:
    void Check(int result);

    xmlBufferPtr buffer_;
    xmlTextWriterPtr writer_;
    bool failed_ = false;
};

} // namespace vnkdump

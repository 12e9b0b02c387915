// The example documents.
//
// Each is written the way its author would have typed it: lines of at most
// the page's width, paragraphs parted by empty lines, indents made of
// spaces, tables lined up with tabs on the document's default stops (every
// fifth column from 5 with a left margin, from 6 without), and commands
// between asterisks.  Alignment commands stay in force until the next one,
// so a centred or right-aligned line puts the document's own alignment back
// at its end (*JY Y* in a justified document, *JY N* otherwise).  Tables
// come before any paragraph whose second line is indented, since such a
// paragraph replaces the default stops by its indent stops.

#include "examples.h"

#include "generate.h"
#include "pfs_writer.h"

using W = PfsWriter;

std::vector<uint8_t> LetterDocument() {
    W w;
    w.pageLines(66).topLines(6).bottomLines(6).leftColumn(10).rightColumn(75).justify(1);
    w.headerLine(1, "Northgate Survey Office - page *1*").headerLine(2, "Elmbridge District");
    w.headerAlign(W::kAlignCentre).headerAttr(W::kHfBold);
    w.footerLine(1, "14 Quarry Lane, Elmbridge EB4 7QT").footerAlign(W::kAlignRight);
    w.footerAttr(W::kHfUnderline);

    // Date and address: one-line paragraphs.
    w.paragraph({"Elmbridge, *@D*"}).emptyLine();
    w.paragraph({"Ms. Rosa Okafor"});
    w.paragraph({"Clerk to the Parish Council"});
    w.paragraph({"The Old School, Mill Road"});
    w.paragraph({"Elmbridge EB2 3LP"}).emptyLine();

    // Centred title, justification back at its end.
    w.beginParagraph(1).command("C").enhanced("Survey of the East Meadow",
                                              W::kBold | W::kUnderline);
    w.command("JY Y").endLine().emptyLine();

    w.paragraph({"Dear Ms. Okafor,"}).emptyLine();

    // First-line indent, bold and italic runs, a hyphenated line end.
    w.beginParagraph(4);
    w.text("     Thank you for your letter of 3 May. ").enhanced("As agreed", W::kItalic);
    w.text(", we surveyed").endLine();
    w.text("the East Meadow last week. All ").enhanced("boundary markers", W::kBold);
    w.text(" were checked and measure-").endLine();
    w.text("ments were taken along the whole length of the drainage ditch,").endLine();
    w.text("which now runs clear from the road to the river.").endLine();
    w.emptyLine();

    // Tab-aligned columns on the default stops 5, 15 and 25.
    w.paragraph({"The main readings were:"});
    w.beginParagraph(1).tab().text("Field").tab().text("Extent").tab().text("Slope").endLine();
    w.beginParagraph(1).tab().text("North").tab().text("4.20 ha").tab().text("3.0 %").endLine();
    w.beginParagraph(1).tab().text("Orchard").tab().text("1.75 ha").tab().text("5.5 %").endLine();
    w.beginParagraph(1).tab().text("Quarry").tab().text("0.90 ha").tab().text("12.0 %").endLine();
    w.emptyLine();

    // A numbered list with hanging indents and a superscript.
    w.beginParagraph(2);
    w.text("1.  The eastern boundary runs 412 metres along the ditch; the").endLine();
    w.text("    enclosed area is 42,000 m").enhanced("2", W::kSuper).text(".").endLine();
    w.beginParagraph(3);
    w.text("2.  Three markers on the northern edge had been moved by frost").endLine();
    w.text("    and were reset in concrete. Their new positions are shown").endLine();
    w.text("    on the enclosed plan.").endLine();
    w.emptyLine();

    // The council's condition, quoted double spaced.
    w.doubleSpaced(true);
    w.paragraph({"     The meadow shall remain open to walkers at all times, and",
                 "no fence shall be raised across the old footpath without the",
                 "consent of the Council."});
    w.emptyLine().doubleSpaced(false);

    // An underlined run.
    w.beginParagraph(2);
    w.text("Please return the signed copy of the plan by ").enhanced("30 June", W::kUnderline);
    w.text(", so").endLine();
    w.text("that the markers can be registered before the autumn.").endLine();
    w.emptyLine();

    w.paragraph({"Yours sincerely,"}).emptyLine().emptyLine();
    w.paragraph({"Anna Lindqvist"});
    w.paragraph({"Senior Surveyor"}).emptyLine();

    // A new page for the enclosure.
    w.paragraph({"*N*"});
    w.beginParagraph(1).enhanced("Enclosure: schedule of markers", W::kBold).endLine();
    w.emptyLine();
    w.paragraph({"    Markers N1 to N3 stand 0.5 metres inside the hedge line and",
                 "    are numbered from the road towards the river."});
    w.endOfText();
    return w.bytes();
}

std::vector<uint8_t> MemoDocument() {
    W w;
    w.pageLines(66).topLines(3).bottomLines(3).leftColumn(0).rightColumn(65);
    w.footerLine(1, "Internal memo - not for circulation").footerAlign(W::kAlignLeft);

    w.beginParagraph(1).command("C").enhanced("MEMORANDUM", W::kBold).command("JY N").endLine();
    w.emptyLine();

    // Heading fields on the default stops 6 and 11.
    w.beginParagraph(1).text("Date:").tab().command("@D").text(", ").command("@T").endLine();
    w.beginParagraph(1).text("From:").tab().text("A. Lindqvist").endLine();
    w.beginParagraph(1).text("To:").tab().tab().text("All field staff").endLine();
    w.beginParagraph(1).text("Re:").tab().tab().enhanced("New instrument", W::kUnderline).endLine();
    w.emptyLine();

    // A subscript and an enhanced run without attributes of its own.
    w.beginParagraph(3);
    w.text("The new level arrived on Monday. Readings near the ditch must").endLine();
    w.text("be corrected for standing H").enhanced("2", W::kSub).text("O, as described in the ");
    w.enhanced("field", W::kEnhancedOnly).endLine();
    w.text("manual. Please read the summary below before using it.").endLine();

    // Narrower margins for the summary, then back.
    w.formatLine(8, 57);
    w.paragraph({"    Level the tripod, wait one minute, take three readings",
                 "    and record their mean. Never move the instrument while",
                 "    it is switched on."});
    w.formatLine(0, 65);

    // Merge and graph commands pass their text on.
    w.paragraph({"The calibration table follows: *JOIN calib.pfs*"});
    w.paragraph({"*GRAPH levels*"}).emptyLine();

    w.paragraph({"*R*A. L.*JY N*"});
    w.endOfText();
    return w.bytes();
}

std::vector<uint8_t> LongDocument() {
    return GenerateDocument(60000, 1);
}

std::vector<ExampleDocument> AllExamples() {
    return {{"letter.pfs", LetterDocument()},
            {"memo.pfs", MemoDocument()},
            {"long.pfs", LongDocument()}};
}

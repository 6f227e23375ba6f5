// "Button2.galgen" as shipped: its rectangles are the letter board's fields,
// and the board pictures draw each field in play exactly there.

#include "presentation/letter_board.hpp"
#include "tools/content/bitmap_file.hpp"
#include "tools/content/content_files.hpp"
#include "tools/content/pictures.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace schlingo {
namespace {

const std::filesystem::path repo = SCHLINGO_SOURCE_DIR;

content::Canvas board(const char* name) {
    const auto bytes = content::readWholeFile(repo / "data" / name);
    auto picture = bytes ? content::decodeBitmap(*bytes) : std::nullopt;
    if (!picture) {
        ADD_FAILURE() << name << " cannot be read";
        return content::Canvas(640, 320, 0);
    }
    return *picture;
}

int luminance(content::Colour c) {
    return (static_cast<int>((c >> 16) & 0xFF) * 299 + static_cast<int>((c >> 8) & 0xFF) * 587 +
            static_cast<int>(c & 0xFF) * 114) /
           1000;
}

TEST(ButtonMapContent, RecordKIsTheBoardFieldOfLetterKPlusOne) {
    const auto bytes = content::readWholeFile(repo / "data" / "Button2.galgen");
    ASSERT_TRUE(bytes.has_value());
    const std::string text(bytes->begin(), bytes->end());
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    std::istringstream lines(text);
    std::string line;
    int record = 0;
    while (std::getline(lines, line)) {
        ASSERT_FALSE(line.empty()) << "a blank line would add a record of zeros";
        ASSERT_EQ(line.back(), '\r') << "line " << record + 1 << " does not end in CR LF";
        line.pop_back();
        ASSERT_LT(record, 31) << "more than 31 records";
        int left = 0, top = 0, right = 0, bottom = 0;
        char c1 = 0, c2 = 0, c3 = 0;
        std::istringstream fields(line);
        fields >> left >> c1 >> top >> c2 >> right >> c3 >> bottom;
        ASSERT_TRUE(fields && c1 == ',' && c2 == ',' && c3 == ',' && fields.peek() == EOF)
            << "line " << record + 1 << " is not four numbers: " << line;
        const BoardField& field = boardFields[record + 1];
        EXPECT_EQ(left, field.x1) << "record " << record;
        EXPECT_EQ(top, field.y1) << "record " << record;
        EXPECT_EQ(right, field.x2) << "record " << record;
        EXPECT_EQ(bottom, field.y2) << "record " << record;
        ++record;
    }
    EXPECT_EQ(record, 31);
}

// A field is drawn where the game blacks it out: its edge is bright, the ring
// just outside it is dark, and inside it there is a dark letter.
TEST(ButtonMapContent, BoardPicturesDrawEveryFieldInPlayExactlyOnItsRectangle) {
    struct Case {
        const char* picture;
        int fieldsInPlay;
    };
    for (const Case& c : {Case{"Logo.galgen", 31}, Case{"Logo_ohne.galgen", 26}}) {
        const content::Canvas picture = board(c.picture);
        for (int letter = 1; letter <= 31; ++letter) {
            const BoardField& f = boardFields[letter];
            // The picture is drawn with its top-left pixel at screen (1, 1).
            const int x1 = f.x1 - 1, y1 = f.y1 - 1, x2 = f.x2 - 1, y2 = f.y2 - 1;
            int dimEdge = 0, litRing = 0, ink = 0, lit = 0;
            for (int y = y1 - 1; y <= y2 + 1; ++y) {
                for (int x = x1 - 1; x <= x2 + 1; ++x) {
                    const int l = luminance(picture.at(x, y));
                    const bool ring = x < x1 || x > x2 || y < y1 || y > y2;
                    const bool edge = !ring && (x == x1 || x == x2 || y == y1 || y == y2);
                    litRing += ring && l >= 50 ? 1 : 0;
                    dimEdge += edge && l < 80 ? 1 : 0;
                    ink += !ring && !edge && l < 80 ? 1 : 0;
                    lit += !ring && l >= 50 ? 1 : 0;
                }
            }
            if (letter <= c.fieldsInPlay) {
                EXPECT_EQ(dimEdge, 0) << c.picture << ", letter " << letter << ": edge not visible";
                EXPECT_EQ(litRing, 0)
                    << c.picture << ", letter " << letter << ": drawing spills outside the field";
                EXPECT_GE(ink, 20) << c.picture << ", letter " << letter << ": no letter shown";
            } else {
                EXPECT_EQ(lit, 0) << c.picture << ", letter " << letter
                                  << " is drawn although it is not in play";
            }
        }
    }
}

} // namespace
} // namespace schlingo

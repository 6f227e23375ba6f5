#include "tools/content/content_files.hpp"

#include "tools/content/pictures.hpp"
#include "tools/content/word_lists.hpp"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace schlingo::content {

std::filesystem::path utf8Path(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::optional<Bytes> readWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<ContentFile> pictureFiles() {
    std::vector<ContentFile> files;
    files.push_back({"data/Logo.galgen", encodeBitmap(boardPicture(true))});
    files.push_back({"data/Logo_ohne.galgen", encodeBitmap(boardPicture(false))});
    files.push_back({"data/PC.galgen", encodeBitmap(computerPicture())});
    for (const GlyphFile& glyph : glyphFiles) {
        files.push_back(
            {std::string("data/") + glyph.name + ".galgen", encodeBitmap(glyphPicture(glyph))});
    }
    const std::string map = buttonMapText();
    files.push_back({"data/Button2.galgen", Bytes(map.begin(), map.end())});
    files.push_back({"resources/schlingo.ico",
                     encodeIcon({iconPicture(16), iconPicture(32), iconPicture(48)})});
    files.push_back({"resources/schlingo-48.bgra", rawBgra(iconPicture(48))});
    // The desktop menus' icons (hicolor theme) on Linux; the browser edition's
    // page icon (48) and its installed app's icons (192, 512).
    for (int size : {48, 128, 192, 512}) {
        files.push_back(
            {"resources/schlingo-" + std::to_string(size) + ".png", encodePng(iconPicture(size))});
    }
    return files;
}

std::vector<ContentFile> wordListFiles(const std::filesystem::path& repoRoot) {
    std::vector<ContentFile> files;
    for (const WordListFile& list : wordLists) {
        const auto source = readWholeFile(repoRoot / "tools" / "words" / list.source);
        if (!source) {
            throw std::runtime_error(std::string("cannot read tools/words/") + list.source);
        }
        try {
            files.push_back({std::string("data/") + list.shipped,
                             convertWordList(std::string(source->begin(), source->end()))});
        } catch (const std::runtime_error& e) {
            throw std::runtime_error(std::string("tools/words/") + list.source + ", " + e.what());
        }
    }
    return files;
}

std::vector<ContentFile> generateContent(const std::filesystem::path& repoRoot) {
    std::vector<ContentFile> files = pictureFiles();
    for (ContentFile& list : wordListFiles(repoRoot)) {
        files.push_back(std::move(list));
    }
    return files;
}

} // namespace schlingo::content

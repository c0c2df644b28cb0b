#include "config/IniTextReader.h"

#include "config/Utf8Text.h"

#include <string>

namespace kor {
namespace {

constexpr std::size_t npos = std::string_view::npos;

bool IsBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanksAndTabs(std::string_view text) {
    while (!text.empty() && IsBlankOrTab(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlankOrTab(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view StripMatchingQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

bool IsCommentStart(char c) {
    return c == '#' || c == '\'' || c == ';';
}

class Reader {
public:
    Reader(std::string_view fileText, IniTextHandler& handler) : text_(fileText), handler_(handler) {
        text_ += '\n';
    }

    void Run() {
        // The editor takes the text after a byte-order mark as the first
        // line; read it the same, or a comment there would turn into a key.
        pos_ = SkipLineSpace(ByteOrderMarkLength(text_));
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            bool keepGoing = true;
            if (c == '[') {
                keepGoing = ReadSectionHeader();
            } else if (IsCommentStart(c)) {
                pos_ = text_.find('\n', pos_);
            } else {
                keepGoing = ReadPair();
            }
            if (!keepGoing) return;
            pos_ = SkipLineSpace(pos_);
        }
    }

private:
    std::size_t SkipLineSpace(std::size_t from) const {
        const std::size_t at = text_.find_first_not_of(" \n\r", from);
        return at == npos ? text_.size() : at;
    }

    bool ReadSectionHeader() {
        const std::size_t close = text_.find(']', pos_ + 1);
        if (close == npos) return false;
        section_ = std::string_view(text_).substr(pos_ + 1, close - pos_ - 1);
        pos_ = close + 1;
        return true;
    }

    bool ReadPair() {
        const std::size_t equals = text_.find('=', pos_);
        if (equals == npos) return false;
        const std::size_t bracket = text_.find('[', pos_);
        if (bracket < equals) {
            ++pos_;
            return true;
        }
        const std::string_view view(text_);
        const std::string_view key = TrimBlanksAndTabs(view.substr(pos_, equals - pos_));
        const std::size_t valueStart = text_.find_first_not_of(" \t=", equals + 1);
        if (valueStart == npos) return false;
        const std::size_t valueEnd = text_.find_first_of("\n\r#;", valueStart);
        pos_ = valueEnd;
        const std::string_view value =
            StripMatchingQuotes(TrimBlanksAndTabs(view.substr(valueStart, valueEnd - valueStart)));
        if (section_.empty()) {
            handler_.PairOutsideSection(key, value);
        } else {
            handler_.Pair(section_, key, value);
        }
        return true;
    }

    std::string text_;
    IniTextHandler& handler_;
    std::size_t pos_ = 0;
    std::string_view section_;
};

}  // namespace

void ReadIniText(std::string_view text, IniTextHandler& handler) {
    Reader(text, handler).Run();
}

}  // namespace kor

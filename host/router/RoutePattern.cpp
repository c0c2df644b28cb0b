#include "host/router/RoutePattern.h"


namespace kor {
namespace {

constexpr std::string_view kEscapedCharacters = "^$.*+?()[]|\\";

// Characters a group of this kind cannot take: "[^/]" stops at "/", "." at
// the line terminators.
bool StopsGroup(RoutePlaceholderKind kind, char c) {
    if (kind == RoutePlaceholderKind::Simple) return c == '/';
    return c == '\n' || c == '\r';
}

}  // namespace

RoutePattern RoutePattern::Compile(std::string_view pattern) {
    RoutePattern compiled;
    compiled.pattern_ = std::string(pattern);
    if (pattern.find('{') == std::string_view::npos) return compiled;

    compiled.literal_ = false;
    bool inside = false;
    RoutePlaceholderKind kind = RoutePlaceholderKind::Simple;
    std::string name;
    for (char c : pattern) {
        if (!inside) {
            if (c == '{') {
                inside = true;
                kind = RoutePlaceholderKind::Simple;
                name.clear();
            } else {
                compiled.AppendText(c);
            }
        } else if (c == '}') {
            compiled.AppendGroup(kind, std::move(name));
            name.clear();
            inside = false;
        } else if (name.empty() && c == '+') {
            kind = RoutePlaceholderKind::Reserved;
        } else if (name.empty() && c == '#') {
            kind = RoutePlaceholderKind::Fragment;
        } else {
            name.push_back(c);
        }
    }
    compiled.valid_ = !inside;
    return compiled;
}

void RoutePattern::AppendText(char c) {
    if (kEscapedCharacters.find(c) != std::string_view::npos) expression_.push_back('\\');
    expression_.push_back(c);
    if (steps_.empty() || steps_.back().kind != Step::Kind::Text) steps_.push_back(Step{Step::Kind::Text, {}});
    steps_.back().text.push_back(c);
}

void RoutePattern::AppendGroup(RoutePlaceholderKind kind, std::string name) {
    switch (kind) {
        case RoutePlaceholderKind::Simple:
            expression_ += "([^/]*)";
            steps_.push_back(Step{Step::Kind::Segment, {}});
            break;
        case RoutePlaceholderKind::Reserved:
            expression_ += "(.*)";
            steps_.push_back(Step{Step::Kind::Rest, {}});
            break;
        case RoutePlaceholderKind::Fragment:
            // The "#" is fixed text in front of the group, not part of it.
            expression_ += "#(.*)";
            if (steps_.empty() || steps_.back().kind != Step::Kind::Text) steps_.push_back(Step{Step::Kind::Text, {}});
            steps_.back().text.push_back('#');
            steps_.push_back(Step{Step::Kind::Rest, {}});
            break;
    }
    placeholders_.push_back(RoutePlaceholder{kind, std::move(name)});
}

bool RoutePattern::Match(std::string_view path, std::vector<std::string_view>& captures) const {
    captures.clear();
    if (!valid_) return false;
    if (literal_) return path == pattern_;
    return MatchSteps(path, captures);
}

// Two passes. The backward pass computes, for every step s and position p,
// whether steps s.. can match exactly path[p..end). The forward pass then
// lets each group take the longest text after which the remaining steps can
// still match: the first success a greedy backtracking engine would find.
bool RoutePattern::MatchSteps(std::string_view path, std::vector<std::string_view>& captures) const {
    const std::size_t length = path.size();
    const std::size_t width = length + 1;
    const std::size_t stepCount = steps_.size();
    std::vector<bool> matches((stepCount + 1) * width, false);
    auto can = [&](std::size_t step, std::size_t position) { return matches[step * width + position]; };
    matches[stepCount * width + length] = true;

    for (std::size_t s = stepCount; s-- > 0;) {
        const Step& step = steps_[s];
        if (step.kind == Step::Kind::Text) {
            const std::size_t size = step.text.size();
            for (std::size_t p = 0; p + size <= length; ++p) {
                matches[s * width + p] = can(s + 1, p + size) && path.compare(p, size, step.text) == 0;
            }
            continue;
        }
        const RoutePlaceholderKind kind =
            step.kind == Step::Kind::Segment ? RoutePlaceholderKind::Simple : RoutePlaceholderKind::Reserved;
        bool reachable = can(s + 1, length);
        matches[s * width + length] = reachable;
        for (std::size_t p = length; p-- > 0;) {
            reachable = StopsGroup(kind, path[p]) ? can(s + 1, p) : (reachable || can(s + 1, p));
            matches[s * width + p] = reachable;
        }
    }
    if (!can(0, 0)) return false;

    std::size_t position = 0;
    for (std::size_t s = 0; s < stepCount; ++s) {
        const Step& step = steps_[s];
        if (step.kind == Step::Kind::Text) {
            position += step.text.size();
            continue;
        }
        const RoutePlaceholderKind kind =
            step.kind == Step::Kind::Segment ? RoutePlaceholderKind::Simple : RoutePlaceholderKind::Reserved;
        std::size_t limit = position;
        while (limit < length && !StopsGroup(kind, path[limit])) ++limit;
        std::size_t end = limit;
        while (!can(s + 1, end)) --end;  // terminates: can(0, 0) guarantees some end in range
        captures.push_back(path.substr(position, end - position));
        position = end;
    }
    return true;
}

}  // namespace kor

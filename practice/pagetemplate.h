#pragma once

#include <QByteArray>

#include <map>
#include <string>
#include <string_view>

namespace practice {

// The site's pages are files of the site/ folder, compiled in as resources.
// A page file holds placeholders: {{name}} takes a text, escaped as HTML;
// {{{name}}} takes markup that the site built itself. Every placeholder of a
// file must be given a value, so that a forgotten one fails loudly instead
// of leaving a hole in a page.
class PageTemplate {
public:
    using Values = std::map<std::string, std::string, std::less<>>;

    // The file's text with its placeholders filled; throws std::runtime_error
    // for an unknown file, a placeholder without a value or an unclosed one.
    static std::string render(std::string_view file, const Values& values);

    // A whole page: the content fragment inside the site's layout.
    static std::string layout(std::string_view title, const std::string& content);

    static std::string escape(std::string_view text);

    // The bytes of a file of the site/ folder; throws when there is none.
    static QByteArray resource(std::string_view file);
    static bool hasResource(std::string_view file);
};

} // namespace practice

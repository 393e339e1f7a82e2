#include "practice/pagetemplate.h"

#include <QFile>

#include <stdexcept>

namespace practice {

namespace {

QString resourcePath(std::string_view file)
{
    return QStringLiteral(":/practice/site/") + QString::fromUtf8(file.data(), qsizetype(file.size()));
}

} // namespace

QByteArray PageTemplate::resource(std::string_view file)
{
    QFile f(resourcePath(file));
    if (!f.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("no site file " + std::string(file));
    }
    return f.readAll();
}

bool PageTemplate::hasResource(std::string_view file)
{
    // Resource names never hold "..", but an address could ask for it.
    return file.find("..") == std::string_view::npos && QFile::exists(resourcePath(file));
}

std::string PageTemplate::escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string PageTemplate::render(std::string_view file, const Values& values)
{
    const QByteArray source = resource(file);
    const std::string_view text(source.constData(), std::size_t(source.size()));
    std::string out;
    out.reserve(text.size() * 2);
    std::size_t at = 0;
    while (true) {
        const std::size_t open = text.find("{{", at);
        if (open == std::string_view::npos) {
            out.append(text.substr(at));
            return out;
        }
        out.append(text.substr(at, open - at));
        const bool raw = text.substr(open, 3) == "{{{";
        const std::string_view closing = raw ? "}}}" : "}}";
        const std::size_t nameStart = open + (raw ? 3 : 2);
        const std::size_t close = text.find(closing, nameStart);
        if (close == std::string_view::npos) {
            throw std::runtime_error("unclosed placeholder in " + std::string(file));
        }
        const std::string_view name = text.substr(nameStart, close - nameStart);
        const auto value = values.find(name);
        if (value == values.end()) {
            throw std::runtime_error("no value for {{" + std::string(name) + "}} in " + std::string(file));
        }
        out += raw ? value->second : escape(value->second);
        at = close + closing.size();
    }
}

std::string PageTemplate::layout(std::string_view title, const std::string& content)
{
    return render("layout.html", {{"title", std::string(title)}, {"content", content}});
}

} // namespace practice

#include "cli/json_writer.h"

#include <cmath>
#include <cstdio>

void json_writer::Indent()
{
    out_ << '\n';
    for (size_t i = 0; i < first_.size(); ++i) out_ << "  ";
}

void json_writer::Separate()
{
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back()) out_ << ',';
        first_.back() = false;
        Indent();
    }
}

json_writer& json_writer::BeginObject()
{
    Separate();
    out_ << '{';
    first_.push_back(true);
    return *this;
}

json_writer& json_writer::EndObject()
{
    const bool empty = first_.back();
    first_.pop_back();
    if (!empty) Indent();
    out_ << '}';
    return *this;
}

json_writer& json_writer::BeginArray()
{
    Separate();
    out_ << '[';
    first_.push_back(true);
    return *this;
}

json_writer& json_writer::EndArray()
{
    const bool empty = first_.back();
    first_.pop_back();
    if (!empty) Indent();
    out_ << ']';
    return *this;
}

json_writer& json_writer::Key(std::string_view key)
{
    Separate();
    WriteString(key);
    out_ << ": ";
    after_key_ = true;
    return *this;
}

json_writer& json_writer::Value(double v)
{
    Separate();
    if (!std::isfinite(v)) {
        out_ << "null";
        return *this;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", v);
    out_ << buffer;
    return *this;
}

json_writer& json_writer::Value(long long v)
{
    Separate();
    out_ << v;
    return *this;
}

json_writer& json_writer::Value(bool v)
{
    Separate();
    out_ << (v ? "true" : "false");
    return *this;
}

json_writer& json_writer::Value(std::string_view v)
{
    Separate();
    WriteString(v);
    return *this;
}

void json_writer::WriteString(std::string_view v)
{
    out_ << '"';
    for (unsigned char c : v) {
        switch (c) {
        case '"': out_ << "\\\""; break;
        case '\\': out_ << "\\\\"; break;
        case '\n': out_ << "\\n"; break;
        case '\r': out_ << "\\r"; break;
        case '\t': out_ << "\\t"; break;
        default:
            if (c < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out_ << buffer;
            } else {
                out_ << static_cast<char>(c);
            }
        }
    }
    out_ << '"';
}

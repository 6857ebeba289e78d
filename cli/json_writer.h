#pragma once
// A small streaming JSON writer: objects, arrays, numbers, strings, booleans.
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

class json_writer {
public:
    explicit json_writer(std::ostream& out) : out_(out) {}

    json_writer& BeginObject();
    json_writer& EndObject();
    json_writer& BeginArray();
    json_writer& EndArray();
    json_writer& Key(std::string_view key);
    json_writer& Value(double v);
    json_writer& Value(long long v);
    json_writer& Value(int v) { return Value(static_cast<long long>(v)); }
    json_writer& Value(bool v);
    json_writer& Value(std::string_view v);
    json_writer& Value(const char* v) { return Value(std::string_view(v)); }

    template <class T>
    json_writer& Field(std::string_view key, const T& v) { return Key(key).Value(v); }

private:
    void Separate();
    void Indent();
    void WriteString(std::string_view v);

    std::ostream& out_;
    std::vector<bool> first_;  // per open container: no element written yet
    bool after_key_ = false;
};

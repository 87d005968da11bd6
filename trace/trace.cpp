#include "trace/trace.h"

#include "platform/platform.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace {

DbgSink gSink = nullptr;

void Send(const std::string& line) {
    if (gSink)
        gSink(line.c_str());
    else
        PlatDebugOut(line.c_str());
}

void AppendNumber(std::string& line, double v) {
    char buf[64];
    // Whole numbers print as their plain digits: sizes and lengths never show an exponent.
    if (v >= 0 && v < 1e19 && std::floor(v) == v)
        std::snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(v));
    else
        std::snprintf(buf, sizeof buf, "%.17g", v);
    line += buf;
}

} // namespace

void DbgStr(const char* label, std::string_view text) {
    std::string line = label;
    line.append(text);
    line += "\r\n";
    Send(line);
}

void DbgNum(const char* label, double a, double b, double c, double d, double e) {
    std::string line = label;
    line += '=';
    const double values[] = {a, b, c, d, e};
    for (int i = 0; i < 5; ++i) {
        if (i) line += ", ";
        AppendNumber(line, values[i]);
    }
    line += "\r\n";
    Send(line);
}

DbgSink DbgSetSink(DbgSink sink) {
    DbgSink before = gSink;
    gSink = sink;
    return before;
}

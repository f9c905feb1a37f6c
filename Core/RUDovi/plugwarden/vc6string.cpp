#include "vc6string.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{

char* copyOf(const char* text, size_t length)
{
    // Copies take a byte more than the terminator needs, as they always have.
    char* buffer = static_cast<char*>(std::malloc(length + 2));
    if (!buffer)
        std::abort();
    if (length)
        std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    return buffer;
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

char upperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

bool VC6_Check(bool cond)
{
    if (!cond) {
        std::fputs("_assert failed!\n", stdout);
        std::fflush(stdout);
    }
    return cond;
}

CString::CString() : m_text(copyOf("", 0)) {}

CString::CString(const char* text) : m_text(copyOf(text ? text : "", text ? std::strlen(text) : 0))
{
}

CString::CString(const CString& other) : m_text(copyOf(other.m_text, std::strlen(other.m_text))) {}

CString::~CString()
{
    std::free(m_text);
}

void CString::assign(const char* text, size_t length)
{
    // The new copy is made before the old buffer goes: text may lie in it.
    char* fresh = copyOf(text, length);
    std::free(m_text);
    m_text = fresh;
}

CString& CString::operator=(const char* text)
{
    if (text != m_text)
        assign(text ? text : "", text ? std::strlen(text) : 0);
    return *this;
}

CString& CString::operator=(const CString& other)
{
    if (&other != this)
        assign(other.m_text, std::strlen(other.m_text));
    return *this;
}

CString CString::operator+(const CString& other) const
{
    CString result(*this);
    result += other;
    return result;
}

CString& CString::operator+=(const char* text)
{
    if (!VC6_Check(text != nullptr))
        return *this;
    const size_t a = std::strlen(m_text), b = std::strlen(text);
    char* joined = static_cast<char*>(std::malloc(a + b + 2));
    if (!joined)
        std::abort();
    std::memcpy(joined, m_text, a);
    std::memcpy(joined + a, text, b);
    joined[a + b] = '\0';
    std::free(m_text);
    m_text = joined;
    return *this;
}

CString& CString::operator+=(const CString& other)
{
    // Appending the string to itself reads it before it is freed.
    return *this += other.m_text;
}

int CString::GetLength() const
{
    return static_cast<int>(std::strlen(m_text));
}

void CString::Empty()
{
    assign("", 0);
}

int CString::Find(const char* text) const
{
    if (!VC6_Check(text != nullptr))
        return -1;
    const char* found = std::strstr(m_text, text);
    return found ? static_cast<int>(found - m_text) : -1;
}

int CString::Find(char c, int start) const
{
    const int length = GetLength();
    if (start < 0 || start >= length)
        return -1;
    const char* found = static_cast<const char*>(std::memchr(m_text + start, c, length - start));
    return found ? static_cast<int>(found - m_text) : -1;
}

int CString::ReverseFind(char c) const
{
    for (int i = GetLength() - 1; i >= 0; --i) {
        if (m_text[i] == c)
            return i;
    }
    return -1;
}

void CString::MakeUpper()
{
    for (char* p = m_text; *p; ++p)
        *p = upperAscii(*p);
}

void CString::MakeLower()
{
    for (char* p = m_text; *p; ++p)
        *p = lowerAscii(*p);
}

int CString::CompareNoCase(const char* text) const
{
    if (!VC6_Check(text != nullptr))
        return 255;
    const char* a = m_text;
    for (; *a && *text; ++a, ++text) {
        if (lowerAscii(*a) != lowerAscii(*text))
            return 255;
    }
    return *a == *text ? 0 : 255;
}

int CString::SetAt(int index, char c)
{
    const int length = GetLength();
    if (index >= 0 && index < length)
        m_text[index] = c;
    return length;
}

char CString::GetAt(int index) const
{
    if (index < 0 || index >= GetLength())
        return static_cast<char>(0xFF);
    return m_text[index];
}

int CString::Replace(char from, char to)
{
    if (from == to)
        return 0;
    int count = 0;
    for (char* p = m_text; *p; ++p) {
        if (*p == from) {
            *p = to;
            ++count;
        }
    }
    return count;
}

int CString::Replace(const char* pattern, const char* text)
{
    if (!VC6_Check(pattern != nullptr && pattern[0] != '\0' && text != nullptr))
        return GetLength();
    const size_t patternLength = std::strlen(pattern);
    CString result;
    const char* from = m_text;
    for (const char* hit = std::strstr(from, pattern); hit; hit = std::strstr(from, pattern)) {
        CString piece;
        piece.assign(from, static_cast<size_t>(hit - from));
        result += piece;
        result += text;
        from = hit + patternLength;
    }
    result += from;
    *this = result;
    return GetLength();
}

CString CString::Mid(int start, int count) const
{
    const int length = GetLength();
    if (start < 0)
        start = 0;
    if (count < 0)
        count = 0;
    if (start > length)
        start = length;
    if (count > length - start)
        count = length - start;
    CString result;
    result.assign(m_text + start, static_cast<size_t>(count));
    return result;
}

CString CString::Mid(int start) const
{
    return Mid(start, GetLength());
}

CString CString::Left(int n) const
{
    return Mid(0, n);
}

CString CString::Right(int n) const
{
    const int length = GetLength();
    if (n < 0)
        return CString();
    if (n >= length)
        return *this;
    return Mid(length - n, n);
}

void CString::TrimLeft(char c)
{
    const char* p = m_text;
    while (*p == c && *p)
        ++p;
    if (p != m_text)
        std::memmove(m_text, p, std::strlen(p) + 1);
}

void CString::TrimRight(char c)
{
    for (int i = GetLength() - 1; i >= 0 && m_text[i] == c; --i)
        m_text[i] = '\0';
}

void CString::Format(const char* format, ...)
{
    if (!VC6_Check(format != nullptr))
        return;
    char buffer[4096];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0)
        buffer[0] = '\0';
    assign(buffer, std::strlen(buffer));
}

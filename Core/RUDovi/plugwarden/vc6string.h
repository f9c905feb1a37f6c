// The agent's own heap string: one pointer to a NUL-terminated buffer that is
// never null. The agent links nothing but the C library, so it carries its
// own small string and array classes.
#pragma once

#include <cstddef>

// A failed argument check prints "_assert failed!" on standard output; the
// operation then does nothing more. Returns cond.
bool VC6_Check(bool cond);

class CString
{
public:
    CString();
    CString(const char* text);
    CString(const CString& other);
    ~CString();

    CString& operator=(const char* text);
    CString& operator=(const CString& other);
    CString operator+(const CString& other) const;
    CString& operator+=(const char* text);
    CString& operator+=(const CString& other);

    int GetLength() const;
    const char* GetPtr() const { return m_text; }
    bool IsEmpty() const { return m_text[0] == '\0'; }
    void Empty();

    int Find(const char* text) const;
    int Find(char c, int start = 0) const;
    int ReverseFind(char c) const;

    void MakeUpper();
    void MakeLower();
    // 0 when both are equal with ASCII letters folded to lower case, else 255.
    int CompareNoCase(const char* text) const;
    bool operator==(const char* text) const { return CompareNoCase(text) == 0; }
    bool operator==(const CString& other) const { return CompareNoCase(other.m_text) == 0; }
    bool operator!=(const char* text) const { return CompareNoCase(text) != 0; }
    bool operator!=(const CString& other) const { return CompareNoCase(other.m_text) != 0; }

    int SetAt(int index, char c);
    // The character, or 0xFF when index is outside the text.
    char GetAt(int index) const;
    int Replace(char from, char to);
    int Replace(const char* pattern, const char* text);

    CString Mid(int start, int count) const;
    CString Mid(int start) const;
    CString Left(int n) const;
    CString Right(int n) const;
    void TrimLeft(char c);
    void TrimRight(char c);

    // printf-style, into a fresh 4096-byte buffer: longer results are cut.
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));

private:
    // Replaces the buffer with a copy of length bytes of text.
    void assign(const char* text, size_t length);

    char* m_text;
};

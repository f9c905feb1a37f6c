// The agent's growable arrays: one template, with element traits that say
// how an element is set up, torn down and how far the storage grows. Elements
// move between storages as plain bytes (a CString is one pointer), so only
// the set-up and tear-down of the traits ever touch what they own.
#pragma once

#include "vc6string.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

// Plain elements: zeroed when set up, nothing to tear down.
template <class TYPE> struct CArrayTraits {
    static void Construct(TYPE* elements, int count)
    {
        std::memset(static_cast<void*>(elements), 0, sizeof(TYPE) * size_t(count));
    }
    static void Destruct(TYPE*, int) {}
    static int GrowStep(int size) { return size < 32 ? 4 : size / 8; }
};

template <> struct CArrayTraits<CString> {
    static void Construct(CString* elements, int count)
    {
        for (int i = 0; i < count; ++i)
            new (elements + i) CString();
    }
    static void Destruct(CString* elements, int count)
    {
        for (int i = 0; i < count; ++i)
            elements[i].~CString();
    }
    static int GrowStep(int size) { return size < 32 ? 4 : size / 8; }
};

template <class TYPE, class ARG_TYPE, class TRAITS = CArrayTraits<TYPE>> class CArray
{
public:
    CArray() = default;
    CArray(const CArray&) = delete;
    CArray& operator=(const CArray&) = delete;
    ~CArray()
    {
        if (m_pData) {
            TRAITS::Destruct(m_pData, m_nSize);
            std::free(m_pData);
        }
    }

    int GetSize() const { return m_nSize; }
    int GetUpperBound() const { return m_nSize - 1; }
    int GetCapacity() const { return m_nMaxSize; }
    const TYPE* GetData() const { return m_pData; }
    TYPE* GetData() { return m_pData; }

    TYPE GetAt(int index) const { return validIndex(index) ? m_pData[index] : TYPE(); }
    void SetAt(int index, ARG_TYPE element)
    {
        if (validIndex(index))
            m_pData[index] = element;
    }
    // An index outside the array gets a scratch element that belongs to no
    // position, so a write through it changes nothing of the array.
    TYPE& ElementAt(int index)
    {
        if (validIndex(index))
            return m_pData[index];
        m_scratch = TYPE();
        return m_scratch;
    }
    TYPE operator[](int index) const { return GetAt(index); }
    TYPE& operator[](int index) { return ElementAt(index); }

    void SetSize(int newSize, int growBy = -1)
    {
        if (!VC6_Check(newSize >= 0))
            return;
        if (growBy != -1)
            m_nGrowBy = growBy;
        if (newSize == 0) {
            if (m_pData) {
                TRAITS::Destruct(m_pData, m_nSize);
                std::free(m_pData);
                m_pData = nullptr;
            }
            m_nSize = m_nMaxSize = 0;
        } else if (!m_pData) {
            TYPE* data = allocate(newSize);
            if (!data)
                return;
            TRAITS::Construct(data, newSize);
            m_pData = data;
            m_nSize = m_nMaxSize = newSize;
        } else if (newSize <= m_nMaxSize) {
            if (newSize > m_nSize)
                TRAITS::Construct(m_pData + m_nSize, newSize - m_nSize);
            else if (newSize < m_nSize)
                TRAITS::Destruct(m_pData + newSize, m_nSize - newSize);
            m_nSize = newSize;
        } else {
            const int step = m_nGrowBy > 0 ? m_nGrowBy : TRAITS::GrowStep(m_nSize);
            const int64_t wanted = int64_t(m_nMaxSize) + step;
            const int newMax =
                wanted > newSize ? (wanted > INT32_MAX ? INT32_MAX : int(wanted)) : newSize;
            TYPE* data = allocate(newMax);
            if (!data)
                return;
            std::memcpy(static_cast<void*>(data), m_pData, sizeof(TYPE) * size_t(m_nSize));
            TRAITS::Construct(data + m_nSize, newSize - m_nSize);
            std::free(m_pData);
            m_pData = data;
            m_nSize = newSize;
            m_nMaxSize = newMax;
        }
    }

    void RemoveAll() { SetSize(0); }

    void FreeExtra()
    {
        if (m_nSize == m_nMaxSize)
            return;
        TYPE* data = nullptr;
        if (m_nSize > 0) {
            data = allocate(m_nSize);
            if (!data)
                return;
            std::memcpy(static_cast<void*>(data), m_pData, sizeof(TYPE) * size_t(m_nSize));
        }
        std::free(m_pData);
        m_pData = data;
        m_nMaxSize = m_nSize;
    }

    void SetAtGrow(int index, ARG_TYPE element)
    {
        if (!VC6_Check(index >= 0))
            return;
        if (index >= m_nSize) {
            // element may live in the storage that growing replaces.
            TYPE copy(element);
            SetSize(index + 1);
            if (index < m_nSize)
                m_pData[index] = copy;
            return;
        }
        m_pData[index] = element;
    }

    int Add(ARG_TYPE element)
    {
        const int index = m_nSize;
        SetAtGrow(index, element);
        return index;
    }

    int Append(const CArray& other)
    {
        const int oldSize = m_nSize;
        if (!VC6_Check(&other != this))
            return oldSize;
        SetSize(m_nSize + other.m_nSize);
        for (int i = 0; i < other.m_nSize && oldSize + i < m_nSize; ++i)
            m_pData[oldSize + i] = other.m_pData[i];
        return oldSize;
    }

    void Copy(const CArray& other)
    {
        if (!VC6_Check(&other != this))
            return;
        SetSize(other.m_nSize);
        for (int i = 0; i < other.m_nSize && i < m_nSize; ++i)
            m_pData[i] = other.m_pData[i];
    }

    void InsertAt(int index, ARG_TYPE element, int count = 1)
    {
        if (!VC6_Check(index >= 0 && count > 0) || int64_t(index) + count > INT32_MAX)
            return;
        TYPE copy(element);
        const int oldSize = m_nSize;
        if (index >= oldSize) {
            SetSize(index + count);
            if (m_nSize != index + count)
                return;
        } else {
            SetSize(oldSize + count);
            if (m_nSize != oldSize + count)
                return;
            // The set-up tail is torn down, the rest moves up over it as bytes,
            // and the gap left behind is set up afresh.
            TRAITS::Destruct(m_pData + oldSize, count);
            std::memmove(static_cast<void*>(m_pData + index + count), m_pData + index,
                         sizeof(TYPE) * size_t(oldSize - index));
            TRAITS::Construct(m_pData + index, count);
        }
        for (int i = 0; i < count; ++i)
            m_pData[index + i] = copy;
    }

    void InsertAt(int start, const CArray* other)
    {
        if (!VC6_Check(other != nullptr && start >= 0) || other->m_nSize == 0)
            return;
        const int count = other->m_nSize;
        if (other == this) {
            // The copy is taken before the storage changes under it.
            CArray snapshot;
            snapshot.Copy(*this);
            InsertAt(start, &snapshot);
            return;
        }
        InsertAt(start, other->m_pData[0], count);
        if (m_nSize < start + count)
            return;
        for (int i = 1; i < count; ++i)
            m_pData[start + i] = other->m_pData[i];
    }

    void RemoveAt(int index, int count = 1)
    {
        if (!VC6_Check(index >= 0 && count >= 1 && int64_t(index) + count <= m_nSize))
            return;
        TRAITS::Destruct(m_pData + index, count);
        const int rest = m_nSize - (index + count);
        if (rest)
            std::memmove(static_cast<void*>(m_pData + index), m_pData + index + count,
                         sizeof(TYPE) * size_t(rest));
        m_nSize -= count;
    }

protected:
    bool validIndex(int index) const { return VC6_Check(index >= 0 && index < m_nSize); }

    static TYPE* allocate(int count)
    {
        TYPE* data = static_cast<TYPE*>(std::malloc(sizeof(TYPE) * size_t(count)));
        VC6_Check(data != nullptr);
        return data;
    }

    TYPE* m_pData = nullptr;
    int m_nSize = 0;
    int m_nMaxSize = 0;
    int m_nGrowBy = 0;
    TYPE m_scratch = TYPE();
};

using CByteArray = CArray<uint8_t, uint8_t>;
using CWordArray = CArray<uint16_t, uint16_t>;
using CDWordArray = CArray<uint32_t, uint32_t>;
using CPtrArray = CArray<void*, void*>;

class CStringArray : public CArray<CString, const CString&>
{
public:
    // count empty strings at index.
    void InsertEmpty(int index, int count = 1) { InsertAt(index, CString(), count); }
};

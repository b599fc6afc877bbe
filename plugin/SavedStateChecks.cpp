#include "plugin/SavedStateChecks.h"

#include "plugin/FiniteNumberParser.h"
#include "plugin/ParameterTable.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace tarngloam
{
bool isWellFormedUtf8 (const char* bytes, size_t numBytes)
{
    const auto* text = reinterpret_cast<const unsigned char*> (bytes);
    size_t i = 0;
    while (i < numBytes)
    {
        const unsigned char lead = text[i];
        if (lead < 0x80)
        {
            ++i;
            continue;
        }

        // The range of the second byte rules out overlong forms (E0, F0), surrogates (ED) and
        // code points above U+10FFFF (F4); every later byte is a plain continuation byte.
        int length = 0;
        unsigned char low = 0x80, high = 0xbf;
        if (lead >= 0xc2 && lead <= 0xdf)       length = 2;
        else if (lead == 0xe0)                  { length = 3; low = 0xa0; }
        else if (lead == 0xed)                  { length = 3; high = 0x9f; }
        else if (lead >= 0xe1 && lead <= 0xef)  length = 3;
        else if (lead == 0xf0)                  { length = 4; low = 0x90; }
        else if (lead == 0xf4)                  { length = 4; high = 0x8f; }
        else if (lead >= 0xf1 && lead <= 0xf3)  length = 4;
        else
            return false;

        if (numBytes - i < static_cast<size_t> (length) || text[i + 1] < low || text[i + 1] > high)
            return false;
        for (int k = 2; k < length; ++k)
            if (text[i + static_cast<size_t> (k)] < 0x80 || text[i + static_cast<size_t> (k)] > 0xbf)
                return false;
        i += static_cast<size_t> (length);
    }
    return true;
}

namespace
{
    // A one-pass reader for isPlainWellFormedXml: each function consumes what it recognises and
    // reports whether it was well-formed.
    class PlainXmlChecker
    {
    public:
        PlainXmlChecker (const char* text, size_t numBytes) : pos (text), end (text + numBytes) {}

        bool document()
        {
            skipSpace();
            if (startsWith ("<?xml") && ! skipPast ("?>"))
                return false;
            if (! misc())
                return false;
            if (! element (0))
                return false;
            return misc() && pos == end;
        }

    private:
        static bool isSpace (char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
        static bool isNameStart (unsigned char c) { return std::isalpha (c) || c == '_' || c == ':' || c >= 0x80; }
        static bool isNameChar (unsigned char c) { return isNameStart (c) || std::isdigit (c) || c == '-' || c == '.'; }

        bool startsWith (const char* literal) const
        {
            const auto length = std::strlen (literal);
            return static_cast<size_t> (end - pos) >= length && std::memcmp (pos, literal, length) == 0;
        }

        void skipSpace()
        {
            while (pos < end && isSpace (*pos))
                ++pos;
        }

        // Moves just past the next `literal`; false when there is none.
        bool skipPast (const char* literal)
        {
            const auto length = std::strlen (literal);
            for (; static_cast<size_t> (end - pos) >= length; ++pos)
                if (std::memcmp (pos, literal, length) == 0)
                {
                    pos += length;
                    return true;
                }
            return false;
        }

        // Whitespace and comments between the parts of the document.
        bool misc()
        {
            for (;;)
            {
                skipSpace();
                if (! startsWith ("<!--"))
                    return true;
                pos += 4;
                if (! skipPast ("-->"))
                    return false;
            }
        }

        bool name (const char*& start, size_t& length)
        {
            start = pos;
            if (pos == end || ! isNameStart (static_cast<unsigned char> (*pos)))
                return false;
            while (pos < end && isNameChar (static_cast<unsigned char> (*pos)))
                ++pos;
            length = static_cast<size_t> (pos - start);
            return true;
        }

        // &amp; &lt; &gt; &quot; &apos; &#123; &#x1F;
        bool reference()
        {
            ++pos;
            if (pos < end && *pos == '#')
            {
                ++pos;
                const bool hex = pos < end && *pos == 'x';
                pos += hex ? 1 : 0;
                const auto* digits = pos;
                while (pos < end && (hex ? std::isxdigit (static_cast<unsigned char> (*pos)) : std::isdigit (static_cast<unsigned char> (*pos))))
                    ++pos;
                if (pos == digits || pos - digits > 8)
                    return false;
            }
            else
            {
                const char* start = nullptr;
                size_t length = 0;
                if (! name (start, length))
                    return false;
            }
            if (pos == end || *pos != ';')
                return false;
            ++pos;
            return true;
        }

        bool attributeValue()
        {
            const char quote = *pos++;
            while (pos < end && *pos != quote)
            {
                if (*pos == '<')
                    return false;
                if (*pos == '&')
                {
                    if (! reference())
                        return false;
                    continue;
                }
                ++pos;
            }
            if (pos == end)
                return false;
            ++pos;
            return true;
        }

        bool element (int depth)
        {
            if (depth >= 32 || pos == end || *pos != '<')
                return false;
            ++pos;
            const char* tag = nullptr;
            size_t tagLength = 0;
            if (! name (tag, tagLength))
                return false;

            for (;;)
            {
                const bool spaced = pos < end && isSpace (*pos);
                skipSpace();
                if (startsWith ("/>"))
                {
                    pos += 2;
                    return true;
                }
                if (startsWith (">"))
                {
                    ++pos;
                    break;
                }
                const char* attribute = nullptr;
                size_t attributeLength = 0;
                if (! spaced || ! name (attribute, attributeLength))
                    return false;
                skipSpace();
                if (pos == end || *pos != '=')
                    return false;
                ++pos;
                skipSpace();
                if (pos == end || (*pos != '"' && *pos != '\'') || ! attributeValue())
                    return false;
            }

            // Content up to the matching end tag.
            while (pos < end)
            {
                if (startsWith ("</"))
                {
                    pos += 2;
                    const char* closing = nullptr;
                    size_t closingLength = 0;
                    if (! name (closing, closingLength) || closingLength != tagLength || std::memcmp (closing, tag, tagLength) != 0)
                        return false;
                    skipSpace();
                    if (pos == end || *pos != '>')
                        return false;
                    ++pos;
                    return true;
                }
                if (startsWith ("<!--"))
                {
                    pos += 4;
                    if (! skipPast ("-->"))
                        return false;
                }
                else if (startsWith ("<![CDATA["))
                {
                    pos += 9;
                    if (! skipPast ("]]>"))
                        return false;
                }
                else if (*pos == '<')
                {
                    if (! element (depth + 1))
                        return false;
                }
                else if (*pos == '&')
                {
                    if (! reference())
                        return false;
                }
                else
                {
                    ++pos;
                }
            }
            return false;
        }

        const char* pos;
        const char* end;
    };
} // namespace

bool isPlainWellFormedXml (const char* text, size_t numBytes)
{
    return PlainXmlChecker (text, numBytes).document();
}

bool holdsWellFormedXmlText (const void* data, int sizeInBytes)
{
    // The same header rule as juce::AudioProcessor::getXmlFromBinary.
    if (data == nullptr || sizeInBytes <= 8)
        return false;
    const auto* bytes = static_cast<const char*> (data);
    if (juce::ByteOrder::littleEndianInt (bytes) != 0x21324356u)
        return false;
    const auto length = static_cast<int> (juce::ByteOrder::littleEndianInt (bytes + 4));
    if (length <= 0)
        return false;

    // The framework's string ends at the first zero byte, wherever the length field says.
    const auto* text = bytes + 8;
    const auto available = static_cast<size_t> (std::min (length, sizeInBytes - 8));
    const auto* zero = static_cast<const char*> (std::memchr (text, 0, available));
    const auto textLength = zero != nullptr ? static_cast<size_t> (zero - text) : available;
    return isWellFormedUtf8 (text, textLength) && isPlainWellFormedXml (text, textLength);
}

namespace
{
    // A stored value is usable only when the whole attribute text is a finite decimal number.
    bool parseStoredNumber (const juce::var& stored, double& result)
    {
        if (stored.isDouble() || stored.isInt() || stored.isInt64())
        {
            result = static_cast<double> (stored);
            return std::isfinite (result);
        }
        return parseFiniteNumber (stored.toString(), result);
    }
} // namespace

juce::ValueTree sanitisedState (const juce::ValueTree& restored, juce::AudioProcessorValueTreeState& current)
{
    static const juce::Identifier idProperty ("id");
    static const juce::Identifier valueProperty ("value");

    // Built afresh rather than mended: a tree read from XML may hold the same property twice, or
    // the same parameter twice, and different parts of the framework would read different copies.
    // The first of each is the one that counts. The children keep the order of the framework's own
    // tree (by ID), so that a restored state saves like a fresh one.
    juce::ValueTree clean (restored.getType());
    for (const auto& existing : current.copyState())
    {
        const auto id = existing.getProperty (idProperty).toString();
        const auto* live = current.getRawParameterValue (id);
        if (! existing.hasType ("PARAM") || live == nullptr)
            continue;

        double value = static_cast<double> (live->load());
        for (const auto& child : restored)
        {
            if (! child.hasType ("PARAM") || child.getProperty (idProperty).toString() != id)
                continue;
            double stored = 0.0;
            if (child.hasProperty (valueProperty) && parseStoredNumber (child.getProperty (valueProperty), stored))
                value = juce::jlimit (static_cast<double> (minimumPercent), static_cast<double> (maximumPercent), stored);
            break;
        }

        juce::ValueTree param ("PARAM");
        param.setProperty (idProperty, id, nullptr);
        param.setProperty (valueProperty, value, nullptr);
        clean.appendChild (param, nullptr);
    }
    return clean;
}
} // namespace tarngloam

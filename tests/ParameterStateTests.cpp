#include "AllocationCounter.h"
#include "TestHelpers.h"

#include "plugin/FiniteNumberParser.h"
#include "plugin/Parameters.h"
#include "plugin/SavedStateChecks.h"

using namespace testing_support;

namespace
{
// The published identity of the parameters, written out here once more on purpose: saved projects
// and host automation depend on it, so a change to the table must fail this test.
struct ParameterExpectation
{
    const char* id;
    const char* name;
    float defaultValue;
};

const ParameterExpectation expectedParameters[] = {
    { "BLEED", "Bleed", 50.0f },
    { "FUZZ", "Fuzz", 40.0f },
    { "GRAIN", "Grain", 20.0f },
    { "AGE", "Age", 30.0f },
};

juce::MemoryBlock saveState (TarnGloamAudioProcessor& processor)
{
    juce::MemoryBlock block;
    processor.getStateInformation (block);
    return block;
}

// Builds a blob in the framework's binary XML layout around arbitrary text.
juce::MemoryBlock makeBlob (const juce::String& xmlText, std::optional<int> lengthField = {})
{
    juce::MemoryOutputStream out;
    out.writeInt (0x21324356);
    const auto utf8Length = static_cast<int> (xmlText.getNumBytesAsUTF8());
    out.writeInt (lengthField.value_or (utf8Length));
    out.write (xmlText.toRawUTF8(), static_cast<size_t> (utf8Length));
    out.writeByte (0);
    return out.getMemoryBlock();
}

juce::String paramsXml (const juce::String& rootTag, const juce::StringArray& values)
{
    juce::String xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?> <" + rootTag + ">";
    for (int i = 0; i < 4; ++i)
        xml << "<PARAM id=\"" << expectedParameters[i].id << "\" value=\"" << values[i] << "\"/>";
    return xml + "</" + rootTag + ">";
}

void expectValues (TarnGloamAudioProcessor& processor, float bleed, float fuzz, float grain, float age)
{
    EXPECT_EQ (percentOf (processor, Parameter::bleed), bleed);
    EXPECT_EQ (percentOf (processor, Parameter::fuzz), fuzz);
    EXPECT_EQ (percentOf (processor, Parameter::grain), grain);
    EXPECT_EQ (percentOf (processor, Parameter::age), age);
}

// Restores `blob` into an instance holding 11, 22, 33 and 44 and expects the given values; then
// expects the same again from the state that instance saves, so a project heals on its next save.
void expectRestoresTo (const juce::MemoryBlock& blob, float bleed, float fuzz, float grain, float age)
{
    TarnGloamAudioProcessor processor;
    setAllPercent (processor, 11.0f, 22.0f, 33.0f, 44.0f);
    processor.setStateInformation (blob.getData(), static_cast<int> (blob.getSize()));
    expectValues (processor, bleed, fuzz, grain, age);

    TarnGloamAudioProcessor reloaded;
    const auto saved = saveState (processor);
    reloaded.setStateInformation (saved.getData(), static_cast<int> (saved.getSize()));
    expectValues (reloaded, bleed, fuzz, grain, age);
}
} // namespace

TEST (Parameters, LayoutPublishesFourPercentParametersInOrder)
{
    TarnGloamAudioProcessor processor;
    const auto& published = processor.getParameters();
    ASSERT_EQ (published.size(), 4);

    for (int i = 0; i < 4; ++i)
    {
        SCOPED_TRACE (expectedParameters[i].id);
        auto* parameter = dynamic_cast<juce::AudioParameterFloat*> (published[i]);
        ASSERT_NE (parameter, nullptr);
        EXPECT_EQ (parameter->paramID, expectedParameters[i].id);
        EXPECT_EQ (parameter->getVersionHint(), 1);
        EXPECT_EQ (parameter->getName (100), expectedParameters[i].name);
        EXPECT_EQ (parameter->getLabel(), "%");
        EXPECT_EQ (parameter->range.start, 0.0f);
        EXPECT_EQ (parameter->range.end, 100.0f);
        EXPECT_EQ (parameter->range.interval, 0.1f);
        EXPECT_EQ (parameter->range.skew, 1.0f);
        EXPECT_FALSE (parameter->range.symmetricSkew);
        EXPECT_FLOAT_EQ (parameter->get(), expectedParameters[i].defaultValue);
        const juce::AudioProcessorParameter& asHostSees = *parameter;
        EXPECT_EQ (parameter->convertFrom0to1 (asHostSees.getDefaultValue()), expectedParameters[i].defaultValue);
        EXPECT_TRUE (parameter->isAutomatable());
        EXPECT_FALSE (parameter->isMetaParameter());
        EXPECT_FLOAT_EQ (*processor.parameters.getRawParameterValue (expectedParameters[i].id),
                         expectedParameters[i].defaultValue);
    }
}

TEST (Parameters, ValueTextIsTheWholeNumberRoundedHalfToEven)
{
    const struct
    {
        float value;
        const char* text;
    } cases[] = { { 0.0f, "0" },    { 100.0f, "100" }, { 99.9f, "100" }, { 0.4f, "0" },
                  { 42.6f, "43" }, { 50.5f, "50" },   { 51.5f, "52" } };

    auto parameter = tarngloam::makePercentParameter ("TEST", "Test", 50.0f);
    const juce::AudioProcessorParameter& asHostSees = *parameter;
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.value);
        EXPECT_EQ (asHostSees.getText (parameter->convertTo0to1 (c.value), 0), c.text);
    }
}

TEST (State, FreshInstanceSavesTheFrameworkBinaryXmlBlob)
{
    TarnGloamAudioProcessor processor;
    const auto blob = saveState (processor);
    const auto* bytes = static_cast<const uint8_t*> (blob.getData());

    ASSERT_GT (blob.getSize(), 9u);
    EXPECT_EQ (std::memcmp (bytes, "VC2!", 4), 0);
    const auto length = static_cast<size_t> (juce::ByteOrder::littleEndianInt (bytes + 4));
    EXPECT_EQ (blob.getSize(), length + 9);
    EXPECT_EQ (bytes[8 + length], 0);

    const juce::String text (juce::CharPointer_UTF8 (reinterpret_cast<const char*> (bytes + 8)), length);
    EXPECT_TRUE (text.startsWith ("<?xml version=\"1.0\" encoding=\"UTF-8\"?> <PARAMS"));
    EXPECT_FALSE (text.containsChar ('\n'));

    const auto xml = juce::parseXML (text);
    ASSERT_NE (xml, nullptr);
    EXPECT_TRUE (xml->hasTagName ("PARAMS"));
    EXPECT_EQ (xml->getNumChildElements(), 4);
    for (const auto& expected : expectedParameters)
    {
        auto* child = xml->getChildByAttribute ("id", expected.id);
        ASSERT_NE (child, nullptr) << expected.id;
        EXPECT_TRUE (child->hasTagName ("PARAM"));
        EXPECT_FLOAT_EQ (static_cast<float> (child->getDoubleAttribute ("value")), expected.defaultValue);
    }
}

TEST (State, RoundTripReproducesValuesInTenthSteps)
{
    TarnGloamAudioProcessor source;
    setAllPercent (source, 0.1f, 99.9f, 33.3f, 71.7f);
    const auto blob = saveState (source);

    TarnGloamAudioProcessor restored;
    restored.setStateInformation (blob.getData(), static_cast<int> (blob.getSize()));
    expectValues (restored, percentOf (source, Parameter::bleed), percentOf (source, Parameter::fuzz), percentOf (source, Parameter::grain),
                  percentOf (source, Parameter::age));
    EXPECT_NEAR (percentOf (restored, Parameter::grain), 33.3f, 1.0e-4f);
}

TEST (State, AFreshInstanceHoldsExactlyWhatARestoredOrAutomatedOneHolds)
{
    // Exactly, not nearly: 30 % and 30.0000019 % are two sounds bit for bit.
    TarnGloamAudioProcessor fresh, restored, automated;
    const auto blob = saveState (fresh);
    restored.setStateInformation (blob.getData(), static_cast<int> (blob.getSize()));
    for (const auto& info : tarngloam::parameterTable)
    {
        SCOPED_TRACE (info.id);
        auto& parameter = automated.parameterOf (info.parameter);
        parameter.setValueNotifyingHost (parameter.convertTo0to1 (info.defaultPercent));
        EXPECT_EQ (percentOf (fresh, info.parameter), info.defaultPercent);
        EXPECT_EQ (percentOf (restored, info.parameter), info.defaultPercent);
        EXPECT_EQ (percentOf (automated, info.parameter), info.defaultPercent);
    }
}

TEST (State, RootTagIsComparedWithoutCase)
{
    TarnGloamAudioProcessor processor;
    const auto blob = makeBlob (paramsXml ("params", { "1", "2", "3", "4" }));
    processor.setStateInformation (blob.getData(), static_cast<int> (blob.getSize()));
    expectValues (processor, 1.0f, 2.0f, 3.0f, 4.0f);
}

TEST (State, BadBlobsLeaveEveryParameterUnchanged)
{
    const auto good = makeBlob (paramsXml ("PARAMS", { "1", "2", "3", "4" }));
    const auto goodText = paramsXml ("PARAMS", { "1", "2", "3", "4" });

    juce::MemoryBlock wrongMagic (good);
    juce::MemoryBlock hanging;
    ASSERT_TRUE (juce::File (TARNGLOAM_FUZZ_CRASHES "/state/xml-parser-hang").loadFileAsData (hanging));
    static_cast<char*> (wrongMagic.getData())[0] = 'X';

    const struct
    {
        const char* name;
        juce::MemoryBlock blob;
    } cases[] = {
        { "empty", {} },
        { "header only", juce::MemoryBlock (good.getData(), 8) },
        { "wrong magic", wrongMagic },
        { "length 0", makeBlob (goodText, 0) },
        { "negative length", makeBlob (goodText, -5) },
        { "length past a cut-off text", juce::MemoryBlock (makeBlob (goodText, 100000).getData(), 60) },
        { "not XML", makeBlob ("this is not xml at all") },
        { "another root tag", makeBlob (paramsXml ("PRESET", { "1", "2", "3", "4" })) },
        // Not plain well-formed XML. Found by fuzzing: JUCE's XML parser never returns from the
        // first, so such text is ignored before the parser sees it.
        { "text that hangs JUCE's parser", hanging },
        { "unclosed root", makeBlob ("<?xml version=\"1.0\"?> <PARAMS><PARAM id=\"AGE\" value=\"1\"/>") },
        { "mismatched end tag", makeBlob ("<PARAMS><PARAM id=\"AGE\" value=\"1\"/></PARAM>") },
        { "unquoted attribute", makeBlob ("<PARAMS><PARAM id=AGE value=\"1\"/></PARAMS>") },
        { "two roots", makeBlob ("<PARAMS/><PARAMS/>") },
        { "doctype", makeBlob ("<!DOCTYPE x><PARAMS><PARAM id=\"AGE\" value=\"1\"/></PARAMS>") },
        { "bad reference", makeBlob ("<PARAMS><PARAM id=\"AGE\" value=\"1&x\"/></PARAMS>") },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        TarnGloamAudioProcessor processor;
        setAllPercent (processor, 11.0f, 22.0f, 33.0f, 44.0f);
        processor.setStateInformation (c.blob.getData(), static_cast<int> (c.blob.getSize()));
        expectValues (processor, 11.0f, 22.0f, 33.0f, 44.0f);
    }
}

TEST (State, TextThatIsNotWellFormedUtf8IsIgnoredWhole)
{
    // Two of four values, then bytes this plug-in never writes. JUCE's UTF-8 reader trusts lead
    // bytes, so without a check the XML parser steps over the text's end into whatever the heap
    // holds there; the fixture leaves a closing root tag there, which would apply the two values
    // and reset the other two to their defaults.
    const std::string start = "<?xml version=\"1.0\" encoding=\"UTF-8\"?> <PARAMS><PARAM id=\"BLEED\" value=\"1\"/>"
                              "<PARAM id=\"FUZZ\" value=\"2\"/>";
    const struct
    {
        const char* name;
        std::string tail;
    } cases[] = {
        { "cut after a three-byte lead", "\xef" },
        { "cut after a four-byte lead", "\xf0\x9f" },
        { "lead byte before ASCII", "\xc3" "A</PARAMS>" },
        { "lone continuation byte", "\x80</PARAMS>" },
        { "overlong slash", "\xc0\xaf</PARAMS>" },
        { "overlong three-byte form", "\xe0\x80\xaf</PARAMS>" },
        { "surrogate", "\xed\xa0\x80</PARAMS>" },
        { "above U+10FFFF", "\xf4\x90\x80\x80</PARAMS>" },
        { "byte 0xFF", "\xff</PARAMS>" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto text = start + c.tail;
        juce::MemoryOutputStream out;
        out.writeInt (0x21324356);
        out.writeInt (static_cast<int> (text.size()));
        out.write (text.data(), text.size());
        out.writeByte (0);

        TarnGloamAudioProcessor processor;
        setAllPercent (processor, 11.0f, 22.0f, 33.0f, 44.0f);
        {
            const ScopedHeapLeftovers leftovers ("</PARAMS>");
            processor.setStateInformation (out.getData(), static_cast<int> (out.getDataSize()));
        }
        expectValues (processor, 11.0f, 22.0f, 33.0f, 44.0f);
    }

    // Well-formed text beyond ASCII is still read.
    TarnGloamAudioProcessor processor;
    const auto blob = makeBlob (juce::String (juce::CharPointer_UTF8 ("<?xml version=\"1.0\"?> <PARAMS note=\"caf\xc3\xa9 \xf0\x9f\x8e\xb8 \xe0\xa0\x80\xed\x9f\xbf\xf4\x8f\xbf\xbf\">"
                                                                      "<PARAM id=\"AGE\" value=\"9\"/></PARAMS>")));
    processor.setStateInformation (blob.getData(), static_cast<int> (blob.getSize()));
    expectValues (processor, 50.0f, 40.0f, 20.0f, 9.0f);
}

TEST (State, PlainXmlAroundTheStateStillReads)
{
    // What the plug-in writes, and plain XML around it, still reads.
    TarnGloamAudioProcessor processor;
    const auto commented = makeBlob ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- saved --> <PARAMS x='&amp;&#65;'>"
                                     "<![CDATA[ <not a tag> ]]><PARAM id=\"AGE\" value=\"9\" /> text </PARAMS>\n");
    processor.setStateInformation (commented.getData(), static_cast<int> (commented.getSize()));
    expectValues (processor, 50.0f, 40.0f, 20.0f, 9.0f);
}

TEST (State, LengthFieldLargerThanTheDataIsCutToTheData)
{
    TarnGloamAudioProcessor processor;
    const auto blob = makeBlob (paramsXml ("PARAMS", { "5", "6", "7", "8" }), 100000);
    processor.setStateInformation (blob.getData(), static_cast<int> (blob.getSize()));
    expectValues (processor, 5.0f, 6.0f, 7.0f, 8.0f);
}

TEST (State, StoredValuesThatAreNotFiniteNumbersKeepTheCurrentValue)
{
    for (const char* bad : { "nan", "NaN", "inf", "-inf", "", "loud", "12abc", "1e999", "5,5", "0x10", "1.2.3", "+-3", "5-0", "7e" })
    {
        SCOPED_TRACE (bad);
        expectRestoresTo (makeBlob (paramsXml ("PARAMS", { "5", bad, "7", "8" })), 5.0f, 22.0f, 7.0f, 8.0f);
    }
}

TEST (State, AParameterTheStateDoesNotMentionKeepsItsValue)
{
    expectRestoresTo (makeBlob ("<?xml version=\"1.0\" encoding=\"UTF-8\"?> <PARAMS><PARAM id=\"FUZZ\" value=\"5\"/>"
                                "<PARAM id=\"AGE\" value=\"6\"/></PARAMS>"),
                      11.0f, 5.0f, 33.0f, 6.0f);
}

TEST (State, RepeatedAttributesAndParametersCountOnceTheFirstTime)
{
    // XML may repeat an attribute or an element; the first one counts, and the state saved
    // afterwards says what the parameters hold.
    expectRestoresTo (makeBlob ("<?xml version=\"1.0\" encoding=\"UTF-8\"?> <PARAMS>"
                                "<PARAM id=\"AGE\" value=\"x\" value=\"20.0\"/><PARAM id=\"FUZZ\" value=\"5\"/>"
                                "<PARAM id=\"FUZZ\" value=\"6\"/><PARAM id=\"BLEED\" base64:value=\"AAAA\"/></PARAMS>"),
                      11.0f, 5.0f, 33.0f, 44.0f);
}

TEST (State, StoredValuesOutsideTheRangeAreLimited)
{
    TarnGloamAudioProcessor processor;
    const auto blob = makeBlob (paramsXml ("PARAMS", { "-20", "250", "1e6", "-0.5" }));
    processor.setStateInformation (blob.getData(), static_cast<int> (blob.getSize()));
    expectValues (processor, 0.0f, 100.0f, 100.0f, 0.0f);

    // Ordinary spellings of numbers are read as such.
    const auto spelled = makeBlob (paramsXml ("PARAMS", { "+12.5", " 7 ", "3e1", "0.1" }));
    processor.setStateInformation (spelled.getData(), static_cast<int> (spelled.getSize()));
    EXPECT_FLOAT_EQ (percentOf (processor, Parameter::bleed), 12.5f);
    EXPECT_FLOAT_EQ (percentOf (processor, Parameter::fuzz), 7.0f);
    EXPECT_FLOAT_EQ (percentOf (processor, Parameter::grain), 30.0f);
    EXPECT_FLOAT_EQ (percentOf (processor, Parameter::age), 0.1f);
}

TEST (State, RestoredBeforePrepareReachesTheFirstBlock)
{
    TarnGloamAudioProcessor processor;
    const auto blob = makeBlob (paramsXml ("PARAMS", { "0", "0", "0", "0" }));
    processor.setStateInformation (blob.getData(), static_cast<int> (blob.getSize()));
    prepareWithLayout (processor, 2, 2);

    // All parameters at 0: the output stage is skipped, so 1.5 passes unclipped after the latency.
    juce::AudioBuffer<float> buffer (2, 256);
    buffer.clear();
    buffer.setSample (0, 10, 1.5f);
    juce::MidiBuffer midi;
    processor.processBlock (buffer, midi);
    EXPECT_EQ (buffer.getSample (0, 10 + TarnGloamAudioProcessor::latencySamples), 1.5f);
}

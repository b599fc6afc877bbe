#pragma once

#include "hosts/FloatWavFile.h"

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

// A small LV2 host on lilv's C API, as Linux hosts that are not built on JUCE drive a plug-in: URID
// map and unmap, options (sample rate and block lengths) and bounded block lengths; parameters sent
// as patch:Set messages on the atom input; state saved and restored through lilv's state API.
namespace hosts
{
class UridMap
{
public:
    UridMap();
    LV2_URID map (const std::string& uri);
    const char* unmap (LV2_URID urid) const;

    LV2_URID_Map mapFeature;
    LV2_URID_Unmap unmapFeature;

private:
    std::map<std::string, LV2_URID> ids;
    std::vector<std::string> uris;
};

class Lv2World
{
public:
    // Looks for bundles in the colon-separated folders of lv2Path only.
    explicit Lv2World (const std::string& lv2Path);
    ~Lv2World();

    // Nothing when no bundle describes the URI.
    const LilvPlugin* findPlugin (const std::string& uri) const;

    // A number the loaded descriptions state about a subject (such as a parameter's lv2:default),
    // or NaN when they state none.
    float number (const std::string& subjectUri, const char* predicateUri) const;

    LilvWorld* world = nullptr;
    UridMap urids;
};

class Lv2Instance
{
public:
    // Instantiates and activates; `instance()` is null when the plug-in refused.
    Lv2Instance (Lv2World& world, const LilvPlugin* plugin, double sampleRate, int maxBlockLength);
    ~Lv2Instance();
    Lv2Instance (const Lv2Instance&) = delete;
    Lv2Instance& operator= (const Lv2Instance&) = delete;

    LilvInstance* instance() const { return lilvInstance; }
    int numAudioInputs() const { return static_cast<int> (audioInputs.size()); }
    int numAudioOutputs() const { return static_cast<int> (audioOutputs.size()); }

    // Queues a patch:Set of the parameter (its full URI) to the plain value, sent with the next run.
    void setParameter (const std::string& parameterUri, float value);

    // Runs one block; `inputs` and `outputs` hold one pointer per audio port.
    void run (const std::vector<const float*>& inputs, const std::vector<float*>& outputs, int numSamples);

    // The three steps of run: the host connects the ports, the plug-in's own run() alone (what an
    // audio thread calls), and the host takes the events the plug-in wrote.
    void connectBlock (const std::vector<const float*>& inputs, const std::vector<float*>& outputs);
    void runPlugin (int numSamples);
    void finishBlock();

    // The whole signal in blocks of blockSize (the last one shorter), as a host would feed it.
    Audio process (const Audio& input, int blockSize);

    float latency() const { return latencyValue; }

    // Parameter values the plug-in reported with patch:Set on its atom output, by parameter URI.
    const std::map<std::string, float>& reportedParameters() const { return reported; }

    // A snapshot of the instance's state, and its restoration into this instance.
    LilvState* saveState();
    void restoreState (const LilvState* state);

private:
    void clearInputSequence();
    void readOutputSequence();
    void connectControlPort (const char* symbol, float* value);

    Lv2World& world;
    const LilvPlugin* plugin;
    LilvInstance* lilvInstance = nullptr;

    int32_t blockLengths[2] {}; // minimum, maximum
    float sampleRateValue = 48000.0f;
    std::vector<LV2_Options_Option> options;
    LV2_Feature mapFeature {}, unmapFeature {}, optionsFeature {}, boundedFeature {};
    std::vector<const LV2_Feature*> features;

    std::vector<uint32_t> audioInputs, audioOutputs;
    uint32_t atomInputPort = 0, atomOutputPort = 0;
    std::vector<uint8_t> atomInput, atomOutput;
    size_t atomInputUsed = 0;
    float latencyValue = -1.0f, freeWheeling = 0.0f, enabled = 1.0f;
    std::map<std::string, float> reported;
};
} // namespace hosts

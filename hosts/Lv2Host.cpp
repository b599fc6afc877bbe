#include "hosts/Lv2Host.h"

#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/parameters/parameters.h>
#include <lv2/patch/patch.h>
#include <lv2/state/state.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <sstream>

namespace hosts
{
UridMap::UridMap()
{
    mapFeature.handle = this;
    mapFeature.map = [] (LV2_URID_Map_Handle handle, const char* uri)
    { return static_cast<UridMap*> (handle)->map (uri); };
    unmapFeature.handle = this;
    unmapFeature.unmap = [] (LV2_URID_Unmap_Handle handle, LV2_URID urid)
    { return static_cast<UridMap*> (handle)->unmap (urid); };
}

LV2_URID UridMap::map (const std::string& uri)
{
    const auto found = ids.find (uri);
    if (found != ids.end())
        return found->second;
    uris.push_back (uri);
    const auto id = static_cast<LV2_URID> (uris.size()); // 0 is never a valid URID
    ids.emplace (uri, id);
    return id;
}

const char* UridMap::unmap (LV2_URID urid) const
{
    return urid >= 1 && urid <= uris.size() ? uris[urid - 1].c_str() : nullptr;
}

Lv2World::Lv2World (const std::string& lv2Path)
{
    // lilv turns each folder into a file URI, which needs an absolute path.
    std::string absolute;
    std::stringstream folders (lv2Path);
    for (std::string folder; std::getline (folders, folder, ':');)
        if (! folder.empty())
            absolute += (absolute.empty() ? "" : ":") + std::filesystem::absolute (folder).lexically_normal().string();

    world = lilv_world_new();
    LilvNode* path = lilv_new_string (world, absolute.c_str());
    lilv_world_set_option (world, LILV_OPTION_LV2_PATH, path);
    lilv_node_free (path);
    lilv_world_load_all (world);
}

Lv2World::~Lv2World() { lilv_world_free (world); }

const LilvPlugin* Lv2World::findPlugin (const std::string& uri) const
{
    LilvNode* node = lilv_new_uri (world, uri.c_str());
    const LilvPlugin* plugin = lilv_plugins_get_by_uri (lilv_world_get_all_plugins (world), node);
    lilv_node_free (node);
    return plugin;
}

float Lv2World::number (const std::string& subjectUri, const char* predicateUri) const
{
    LilvNode* subject = lilv_new_uri (world, subjectUri.c_str());
    LilvNode* predicate = lilv_new_uri (world, predicateUri);
    LilvNode* value = lilv_world_get (world, subject, predicate, nullptr);
    const bool isNumber = value != nullptr && (lilv_node_is_float (value) || lilv_node_is_int (value));
    const float result = isNumber ? lilv_node_as_float (value) : std::nanf ("");
    lilv_node_free (value);
    lilv_node_free (predicate);
    lilv_node_free (subject);
    return result;
}

Lv2Instance::Lv2Instance (Lv2World& worldToUse, const LilvPlugin* pluginToLoad, double sampleRate, int maxBlockLength)
    : world (worldToUse), plugin (pluginToLoad)
{
    auto& urids = world.urids;
    blockLengths[0] = 1;
    blockLengths[1] = maxBlockLength;
    sampleRateValue = static_cast<float> (sampleRate);
    const auto intType = urids.map (LV2_ATOM__Int);
    options = {
        { LV2_OPTIONS_INSTANCE, 0, urids.map (LV2_BUF_SIZE__minBlockLength), sizeof (int32_t), intType, &blockLengths[0] },
        { LV2_OPTIONS_INSTANCE, 0, urids.map (LV2_BUF_SIZE__maxBlockLength), sizeof (int32_t), intType, &blockLengths[1] },
        { LV2_OPTIONS_INSTANCE, 0, urids.map (LV2_BUF_SIZE__nominalBlockLength), sizeof (int32_t), intType, &blockLengths[1] },
        { LV2_OPTIONS_INSTANCE, 0, urids.map (LV2_PARAMETERS__sampleRate), sizeof (float), urids.map (LV2_ATOM__Float),
          &sampleRateValue },
        { LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr },
    };
    mapFeature = { LV2_URID__map, &urids.mapFeature };
    unmapFeature = { LV2_URID__unmap, &urids.unmapFeature };
    optionsFeature = { LV2_OPTIONS__options, options.data() };
    boundedFeature = { LV2_BUF_SIZE__boundedBlockLength, nullptr };
    features = { &mapFeature, &unmapFeature, &optionsFeature, &boundedFeature, nullptr };

    lilvInstance = lilv_plugin_instantiate (plugin, sampleRate, features.data());
    if (lilvInstance == nullptr)
        return;

    // Ports by kind: audio in and out, the atom sequence in and out, and the control ports.
    LilvWorld* w = world.world;
    LilvNode* audioClass = lilv_new_uri (w, LV2_CORE__AudioPort);
    LilvNode* atomClass = lilv_new_uri (w, LV2_ATOM__AtomPort);
    LilvNode* inputClass = lilv_new_uri (w, LV2_CORE__InputPort);
    for (uint32_t p = 0; p < lilv_plugin_get_num_ports (plugin); ++p)
    {
        const LilvPort* port = lilv_plugin_get_port_by_index (plugin, p);
        const bool isInput = lilv_port_is_a (plugin, port, inputClass);
        if (lilv_port_is_a (plugin, port, audioClass))
            (isInput ? audioInputs : audioOutputs).push_back (p);
        else if (lilv_port_is_a (plugin, port, atomClass))
            (isInput ? atomInputPort : atomOutputPort) = p;
    }
    lilv_node_free (audioClass);
    lilv_node_free (atomClass);
    lilv_node_free (inputClass);

    atomInput.assign (16384, 0);
    atomOutput.assign (16384, 0);
    lilv_instance_connect_port (lilvInstance, atomInputPort, atomInput.data());
    lilv_instance_connect_port (lilvInstance, atomOutputPort, atomOutput.data());
    connectControlPort ("latency", &latencyValue);
    connectControlPort ("freeWheeling", &freeWheeling);
    connectControlPort ("enabled", &enabled);
    clearInputSequence();
    lilv_instance_activate (lilvInstance);
}

Lv2Instance::~Lv2Instance()
{
    if (lilvInstance != nullptr)
    {
        lilv_instance_deactivate (lilvInstance);
        lilv_instance_free (lilvInstance);
    }
}

void Lv2Instance::connectControlPort (const char* symbol, float* value)
{
    LilvNode* node = lilv_new_string (world.world, symbol);
    if (const LilvPort* port = lilv_plugin_get_port_by_symbol (plugin, node))
        lilv_instance_connect_port (lilvInstance, lilv_port_get_index (plugin, port), value);
    lilv_node_free (node);
}

void Lv2Instance::clearInputSequence()
{
    auto* sequence = reinterpret_cast<LV2_Atom_Sequence*> (atomInput.data());
    sequence->atom.type = world.urids.map (LV2_ATOM__Sequence);
    sequence->atom.size = sizeof (LV2_Atom_Sequence_Body);
    sequence->body.unit = 0;
    sequence->body.pad = 0;
    atomInputUsed = sizeof (LV2_Atom_Sequence);
}

void Lv2Instance::setParameter (const std::string& parameterUri, float value)
{
    auto& urids = world.urids;
    LV2_Atom_Forge forge;
    lv2_atom_forge_init (&forge, &urids.mapFeature);

    // Append one event at frame 0 after those already queued.
    auto* sequence = reinterpret_cast<LV2_Atom_Sequence*> (atomInput.data());
    lv2_atom_forge_set_buffer (&forge, atomInput.data() + atomInputUsed, atomInput.size() - atomInputUsed);
    lv2_atom_forge_frame_time (&forge, 0);
    LV2_Atom_Forge_Frame frame;
    lv2_atom_forge_object (&forge, &frame, 0, urids.map (LV2_PATCH__Set));
    lv2_atom_forge_key (&forge, urids.map (LV2_PATCH__property));
    lv2_atom_forge_urid (&forge, urids.map (parameterUri));
    lv2_atom_forge_key (&forge, urids.map (LV2_PATCH__value));
    lv2_atom_forge_float (&forge, value);
    lv2_atom_forge_pop (&forge, &frame);

    const auto written = lv2_atom_pad_size (static_cast<uint32_t> (forge.offset));
    sequence->atom.size += written;
    atomInputUsed += written;
}

void Lv2Instance::run (const std::vector<const float*>& inputs, const std::vector<float*>& outputs, int numSamples)
{
    connectBlock (inputs, outputs);
    runPlugin (numSamples);
    finishBlock();
}

void Lv2Instance::connectBlock (const std::vector<const float*>& inputs, const std::vector<float*>& outputs)
{
    for (size_t i = 0; i < audioInputs.size(); ++i)
        lilv_instance_connect_port (lilvInstance, audioInputs[i], const_cast<float*> (inputs[i]));
    for (size_t i = 0; i < audioOutputs.size(); ++i)
        lilv_instance_connect_port (lilvInstance, audioOutputs[i], outputs[i]);

    // An output sequence port gets the whole buffer as an empty chunk to write into.
    auto* out = reinterpret_cast<LV2_Atom*> (atomOutput.data());
    out->type = world.urids.map (LV2_ATOM__Chunk);
    out->size = static_cast<uint32_t> (atomOutput.size() - sizeof (LV2_Atom));
}

void Lv2Instance::runPlugin (int numSamples) { lilv_instance_run (lilvInstance, static_cast<uint32_t> (numSamples)); }

void Lv2Instance::finishBlock()
{
    clearInputSequence();
    readOutputSequence();
}

void Lv2Instance::readOutputSequence()
{
    auto& urids = world.urids;
    const auto* sequence = reinterpret_cast<const LV2_Atom_Sequence*> (atomOutput.data());
    if (sequence->atom.type != urids.map (LV2_ATOM__Sequence))
        return;

    LV2_ATOM_SEQUENCE_FOREACH (sequence, event)
    {
        const auto* object = reinterpret_cast<const LV2_Atom_Object*> (&event->body);
        if (object->atom.type != urids.map (LV2_ATOM__Object) || object->body.otype != urids.map (LV2_PATCH__Set))
            continue;
        const LV2_Atom* property = nullptr;
        const LV2_Atom* value = nullptr;
        lv2_atom_object_get (object, urids.map (LV2_PATCH__property), &property, urids.map (LV2_PATCH__value), &value, 0);
        if (property != nullptr && value != nullptr && property->type == urids.map (LV2_ATOM__URID)
            && value->type == urids.map (LV2_ATOM__Float))
        {
            const auto* uri = urids.unmap (reinterpret_cast<const LV2_Atom_URID*> (property)->body);
            if (uri != nullptr)
                reported[uri] = reinterpret_cast<const LV2_Atom_Float*> (value)->body;
        }
    }
}

Audio Lv2Instance::process (const Audio& input, int blockSize)
{
    Audio output;
    output.sampleRate = input.sampleRate;
    output.channels.assign (audioOutputs.size(), std::vector<float> (static_cast<size_t> (input.numSamples())));
    for (int position = 0; position < input.numSamples(); position += blockSize)
    {
        const int length = std::min (blockSize, input.numSamples() - position);
        std::vector<const float*> ins;
        std::vector<float*> outs;
        for (size_t ch = 0; ch < audioInputs.size(); ++ch)
            ins.push_back (input.channels[std::min (ch, input.channels.size() - 1)].data() + position);
        for (auto& channel : output.channels)
            outs.push_back (channel.data() + position);
        run (ins, outs, length);
    }
    return output;
}

namespace
{
    const void* portValue (const char* symbol, void* userData, uint32_t* size, uint32_t* type)
    {
        // The control inputs: freeWheeling and enabled.
        auto* self = static_cast<std::pair<float*, LV2_URID>*> (userData);
        *size = sizeof (float);
        *type = self->second;
        return std::strcmp (symbol, "enabled") == 0 ? self->first : self->first + 1;
    }
} // namespace

LilvState* Lv2Instance::saveState()
{
    float controls[2] = { enabled, freeWheeling };
    std::pair<float*, LV2_URID> values { controls, world.urids.map (LV2_ATOM__Float) };
    return lilv_state_new_from_instance (plugin, lilvInstance, &world.urids.mapFeature, nullptr, nullptr, nullptr,
                                         nullptr, portValue, &values, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE,
                                         features.data());
}

void Lv2Instance::restoreState (const LilvState* state)
{
    lilv_state_restore (state, lilvInstance, nullptr, nullptr, 0, features.data());
}
} // namespace hosts

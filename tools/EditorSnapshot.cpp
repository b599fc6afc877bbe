// tarngloam-snapshot: renders the TARNGLOAM editor at its default size and at its largest size
// into PNG files, without opening a window.
//
// Usage: tarngloam-snapshot OUTPUT_DIRECTORY

#include "editor/PluginEditor.h"
#include "plugin/PluginProcessor.h"
#include "testbed/OutputDirectory.h"

#include <iostream>

namespace
{
// Writes editor-WIDTHxHEIGHT.png into the directory.
bool writeSnapshot (TarnGloamAudioProcessorEditor& editor, int width, int height, const juce::File& directory)
{
    const auto file = directory.getChildFile ("editor-" + juce::String (width) + "x" + juce::String (height) + ".png");
    editor.setSize (width, height);
    const auto image = editor.createComponentSnapshot (editor.getLocalBounds(), true, 1.0f);

    file.deleteFile();
    juce::FileOutputStream stream (file);
    juce::PNGImageFormat png;
    if (! stream.openedOk() || ! png.writeImageToStream (image, stream))
        return false;

    std::cout << "wrote " << file.getFullPathName() << " (" << image.getWidth() << " x " << image.getHeight() << ")\n";
    return true;
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::cerr << "usage: tarngloam-snapshot OUTPUT_DIRECTORY" << std::endl;
        return 2;
    }

    const juce::ScopedJuceInitialiser_GUI juceInitialiser;
    const auto created = tarngloam::createOutputDirectory ("tarngloam-snapshot", argv[1]);
    if (! created)
        return 1;
    const auto& directory = *created;

    TarnGloamAudioProcessor processor;
    TarnGloamAudioProcessorEditor editor (processor);
    using Editor = TarnGloamAudioProcessorEditor;
    const bool ok = writeSnapshot (editor, Editor::panelWidth, Editor::panelHeight, directory)
                    && writeSnapshot (editor, Editor::maximumWidth, Editor::maximumHeight, directory);
    if (! ok)
        std::cerr << "tarngloam-snapshot: could not write the PNG files" << std::endl;
    return ok ? 0 : 1;
}

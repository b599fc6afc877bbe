// tarngloam-snapshot: renders the TARNGLOAM editor at its default size and at its largest size
// into PNG files, without opening a window.
//
// Usage: tarngloam-snapshot OUTPUT_DIRECTORY

#include "editor/PluginEditor.h"
#include "plugin/PluginProcessor.h"

#include <iostream>

namespace
{
bool writeSnapshot (TarnGloamAudioProcessorEditor& editor, int width, int height, const juce::File& file)
{
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
    const auto directory = juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]);
    if (! directory.createDirectory())
    {
        std::cerr << "tarngloam-snapshot: cannot create " << directory.getFullPathName() << std::endl;
        return 1;
    }

    TarnGloamAudioProcessor processor;
    TarnGloamAudioProcessorEditor editor (processor);
    const bool ok = writeSnapshot (editor, 480, 482, directory.getChildFile ("editor-480x482.png"))
                    && writeSnapshot (editor, 960, 964, directory.getChildFile ("editor-960x964.png"));
    if (! ok)
        std::cerr << "tarngloam-snapshot: could not write the PNG files" << std::endl;
    return ok ? 0 : 1;
}

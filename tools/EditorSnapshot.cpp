// tarngloam-snapshot: renders the TARNGLOAM editor at its default size and at its largest size
// into PNG files, each with a text file of where its knobs, captions and value boxes stand.
//
// Usage: tarngloam-snapshot [--on-desktop] OUTPUT_DIRECTORY
//   --on-desktop  first opens the editor in a window of its own, as a host does, and lets it
//                 paint there for a moment; without it no window is opened.

#include "editor/PluginEditor.h"
#include "plugin/PluginProcessor.h"
#include "testbed/OutputDirectory.h"

#include <cstring>
#include <iostream>

namespace
{
juce::String kindOf (const juce::Component& component)
{
    if (dynamic_cast<const juce::Slider*> (&component) != nullptr)
        return "knob";
    if (auto* label = dynamic_cast<const juce::Label*> (&component))
        return dynamic_cast<const juce::Slider*> (label->getParentComponent()) != nullptr ? "value-box" : "caption";
    return "component";
}

// One line for each visible component inside the editor: its kind and its bounds in the editor.
void describeLayout (const juce::Component& editor, const juce::Component& parent, juce::String& layout)
{
    for (auto* child : parent.getChildren())
    {
        if (! child->isVisible())
            continue;
        const auto bounds = editor.getLocalArea (child, child->getLocalBounds());
        layout << kindOf (*child) << " " << bounds.getX() << " " << bounds.getY() << " " << bounds.getWidth() << " "
               << bounds.getHeight() << "\n";
        describeLayout (editor, *child, layout);
    }
}

// Writes editor-WIDTHxHEIGHT.png and editor-WIDTHxHEIGHT.layout into the directory.
bool writeSnapshot (TarnGloamAudioProcessorEditor& editor, int width, int height, const juce::File& directory)
{
    const auto name = "editor-" + juce::String (width) + "x" + juce::String (height);
    const auto file = directory.getChildFile (name + ".png");
    editor.setSize (width, height);
    const auto image = editor.createComponentSnapshot (editor.getLocalBounds(), true, 1.0f);

    file.deleteFile();
    juce::FileOutputStream stream (file);
    juce::PNGImageFormat png;
    if (! stream.openedOk() || ! png.writeImageToStream (image, stream))
        return false;

    juce::String layout;
    describeLayout (editor, editor, layout);
    if (! directory.getChildFile (name + ".layout").replaceWithText (layout))
        return false;

    std::cout << "wrote " << file.getFullPathName() << " (" << image.getWidth() << " x " << image.getHeight() << ")" << std::endl;
    return true;
}

// Opens the editor in a window of its own and runs the message loop while it paints.
bool showOnDesktop (TarnGloamAudioProcessorEditor& editor)
{
    editor.setTopLeftPosition (40, 40);
    editor.addToDesktop (juce::ComponentPeer::windowAppearsOnTaskbar);
    editor.setVisible (true);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (1500);

    const auto* peer = editor.getPeer();
    if (peer == nullptr || ! editor.isShowing())
        return false;
    std::cout << "opened on the desktop: " << editor.getWidth() << " x " << editor.getHeight() << std::endl;
    return true;
}
} // namespace

int main (int argc, char** argv)
{
    const bool onDesktop = argc == 3 && std::strcmp (argv[1], "--on-desktop") == 0;
    if (argc != 2 && ! onDesktop)
    {
        std::cerr << "usage: tarngloam-snapshot [--on-desktop] OUTPUT_DIRECTORY" << std::endl;
        return 2;
    }

    const juce::ScopedJuceInitialiser_GUI juceInitialiser;
    const auto created = tarngloam::createOutputDirectory ("tarngloam-snapshot", argv[argc - 1]);
    if (! created)
        return 1;
    const auto& directory = *created;

    TarnGloamAudioProcessor processor;
    TarnGloamAudioProcessorEditor editor (processor);
    if (onDesktop && ! showOnDesktop (editor))
    {
        std::cerr << "tarngloam-snapshot: the editor's window did not open" << std::endl;
        return 1;
    }

    using Editor = TarnGloamAudioProcessorEditor;
    const bool ok = writeSnapshot (editor, Editor::panelWidth, Editor::panelHeight, directory)
                    && writeSnapshot (editor, Editor::maximumWidth, Editor::maximumHeight, directory);
    if (! ok)
        std::cerr << "tarngloam-snapshot: could not write the snapshot files" << std::endl;
    if (onDesktop)
        editor.removeFromDesktop();
    return ok ? 0 : 1;
}

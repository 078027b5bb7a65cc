#include "editor/files/MappingFile.h"
#include "common/BoundedFileRead.h"
#include "common/UntrustedXml.h"
#include "common/VerifiedFileWrite.h"
#include "editor/model/DeviceSettingsImage.h"
#include "editor/device/HostImpl.h"
#include "editor/model/MappingModel.h"
#include "editor/model/ModelNames.h"

#include <optional>

namespace NsDravel
{
    namespace
    {
        // A mapping file is about a kilobyte; anything far larger is not one, and is
        // refused before it is read into memory.
        constexpr size_t maxMappingFileSize = 1024 * 1024;

        constexpr int firstKeyboardProductId = 0x1020;
        constexpr int lastKeyboardProductId = 0x1024;

        std::optional<int> readWholeNumber (const juce::var& v)
        {
            if (v.isInt() || v.isInt64())
                return (int) v;

            if (! v.isString())
                return {};

            const auto text = v.toString().trim();

            if (text.isEmpty() || text.length() > 6 || ! text.containsOnly ("0123456789"))
                return {};

            return text.getIntValue();
        }

        bool isInRange (const juce::ValueTree& control, const juce::Identifier& property, int low, int high)
        {
            const auto n = readWholeNumber (control.getProperty (property));
            return n.has_value() && *n >= low && *n <= high;
        }

        bool isAbsentOrInRange (const juce::ValueTree& control, const juce::Identifier& property, int low, int high)
        {
            return ! control.hasProperty (property) || isInRange (control, property, low, high);
        }

        bool isValidControl (const juce::ValueTree& control)
        {
            const auto type = control.getProperty (ModelIds::type).toString();

            return control.hasProperty (ModelIds::type)
                && getMessageTypeNames (parseMessageType (type)) == type
                && isInRange (control, ModelIds::chan, 1, 16)
                && isInRange (control, ModelIds::value, 0, 127)
                && isAbsentOrInRange (control, ModelIds::curve, 0, 7)
                && isAbsentOrInRange (control, ModelIds::octave, 4, 16)
                && isAbsentOrInRange (control, ModelIds::transposition, 4, 16)
                && isAbsentOrInRange (control, ModelIds::sustain, 0, 1)
                && isAbsentOrInRange (control, ModelIds::clockwise, 0, 1);
        }

        int readInt (const juce::ValueTree& control, const juce::Identifier& property)
        {
            return readWholeNumber (control.getProperty (property)).value_or (0);
        }

        juce::uint8 lowNibbleReplaced (juce::uint8 byte, int nibble)
        {
            return (juce::uint8) ((byte & 0xf0) | (nibble & 0x0f));
        }

        // Copies the controls' assignments into the settings image. The map has been
        // validated, so every value is in range; a property the keys lack leaves its
        // header byte as it was. The sustain polarity and the knob direction travel
        // too, gated as the editor's own setters gate them, so that a loaded mapping
        // sends what it shows.
        void copyControlsToImage (const juce::ValueTree& map)
        {
            auto& image = deviceSettingsImage;
            const auto mode = getModeIndexOfMap (map);

            for (int id = 1; id <= controlsPerMap; ++id)
            {
                const auto control = getControlById (map, id);
                const auto status = statusNibbleOfTypeIndex (parseMessageType (control.getProperty (ModelIds::type).toString()));
                const auto channel = readInt (control, ModelIds::chan) - 1;
                const auto value = (juce::uint8) readInt (control, ModelIds::value);

                if (id == 1)
                {
                    if (control.hasProperty (ModelIds::curve))
                        image.header[3] = (juce::uint8) readInt (control, ModelIds::curve);

                    if (control.hasProperty (ModelIds::octave))
                        image.header[1] = (juce::uint8) readInt (control, ModelIds::octave);

                    if (control.hasProperty (ModelIds::transposition))
                        image.header[2] = (juce::uint8) readInt (control, ModelIds::transposition);

                    image.header[0] = lowNibbleReplaced (image.header[0], channel);
                }
                else if (isPedalOrWheelControl (id))
                {
                    auto& record = image.pedalAndWheel[(size_t) (id - 2)];
                    record[2] = value;
                    record[0] = lowNibbleReplaced (record[0], status);
                    record[1] = (juce::uint8) ((status << 4) | channel);

                    if (id == 2 && control.hasProperty (ModelIds::sustain))
                        writeSustainPolarity (record.data(), readInt (control, ModelIds::sustain));
                }
                else
                {
                    auto& record = image.knobs[(size_t) (id - 6)];
                    record[1] = lowNibbleReplaced (record[1], channel);
                    record[2] = value;

                    if (mode == userDefinedDawMode && control.hasProperty (ModelIds::clockwise))
                        writeKnobDirection (record.data(), readInt (control, ModelIds::clockwise) != 0);
                }
            }
        }
    }

    //==============================================================================
    juce::Result saveMappingToFile (const juce::ValueTree& map, const juce::File& file)
    {
        const auto xml = map.createXml();

        if (xml == nullptr)
            return juce::Result::fail (MappingFileTexts::noCurrentMapping);

        // The writer's own line ends (CR LF) are kept, so a file is byte for byte the
        // same whichever system wrote it.
        juce::XmlElement::TextFormat format;
        format.customEncoding = "UTF-8";
        format.lineWrapLength = 60;

        juce::MemoryOutputStream document;
        xml->writeTo (document, format);

        // The old file is replaced only by a copy that was read back whole, so a
        // full disk or a size limit never costs the user the previous mapping.
        if (writeFileVerified (file, document.getData(), document.getDataSize()).failed())
            return juce::Result::fail (MappingFileTexts::writeFailed);

        return juce::Result::ok();
    }

    bool isValidMappingTree (const juce::ValueTree& map)
    {
        if (! map.hasType (ModelIds::map) || ! map.getChildWithName (ModelIds::controls).isValid())
            return false;

        // The mode must name a DAW mode exactly: the map is found by that name later.
        const auto mode = map.getProperty (ModelIds::mode).toString();

        if (! map.hasProperty (ModelIds::mode) || getDawModeNames (parseDawMode (mode)) != mode)
            return false;

        for (int id = 1; id <= controlsPerMap; ++id)
        {
            const auto control = getControlById (map, id);

            if (! control.isValid() || ! isValidControl (control))
                return false;
        }

        return true;
    }

    // The host's model and a bare one offer the same operations.
    template <typename Model>
    static juce::Result loadInto (Model& model, const juce::File& file)
    {
        const auto loadFailed = juce::Result::fail (MappingFileTexts::loadFailed);

        // The file may come from anywhere: only a regular file is read, and no
        // more of it than a mapping may hold; the guarded reader then refuses
        // what is not plain, well-formed UTF-8 XML of modest depth, and any
        // document type (the program never writes one).
        const auto bytes = readWholeFile (file, maxMappingFileSize);

        if (! bytes.has_value())
            return loadFailed;

        const auto xml = parseUntrustedXml (*bytes, maxMappingFileSize);

        if (xml == nullptr)
            return loadFailed;

        auto loaded = juce::ValueTree::fromXml (*xml);

        if (! isValidMappingTree (loaded))
            return loadFailed;

        const auto mode = getModeIndexOfMap (loaded);
        auto modes = model.getModes();
        const auto index = modes.indexOf (model.getModeMap (mode));

        modes.removeChild (index, nullptr);
        modes.addChild (loaded, index, nullptr);
        model.setCurrentMode (mode);

        // The product id is written again only when it names a keyboard.
        const auto pid = readWholeNumber (modes.getProperty (ModelIds::pid));

        if (pid.has_value() && *pid >= firstKeyboardProductId && *pid <= lastKeyboardProductId)
            model.setProductId (*pid);

        copyControlsToImage (loaded);
        return juce::Result::ok();
    }

    juce::Result loadMappingFromFile (MappingModel& model, const juce::File& file)
    {
        return loadInto (model, file);
    }

    juce::Result loadMappingFromFile (Host::Impl& host, const juce::File& file)
    {
        return loadInto (host, file);
    }
}

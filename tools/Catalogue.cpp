#include "Catalogue.h"

#include <cstring>
#include <map>
#include <string>

namespace tarvo::gen {

namespace {
constexpr int Gain = 0;
constexpr int Modulation = 1;
constexpr int Synthesis = 2;
constexpr int Filter = 3;
constexpr int Dynamic = 4;
constexpr int ImpulseResponse = 5;
constexpr int Other = 6;
constexpr int Unlisted = -1;
} // namespace

namespace {

// The library in catalogue order. The pedal reports effects by these numbers, so an effect keeps
// its place for good; new effects only ever go at the end.
const std::vector<EffectDef> kEffects = {
    {0x01,
     "Amber Overdrive",
     Gain,
     1856,
     {"Drive", "Tone", "Level"},
     {"Mid Boost:OFF:ON"},
     {},
     {"Clip"},
     "A warm, touch-sensitive overdrive in the spirit of the small green and amber boxes that "
     "sit on half the pedalboards in the world. It stays clean when you play softly and breaks "
     "up smoothly as you dig in, keeping the attack of every note.",
     "Set Drive low and Level high to push an already crunchy amplifier into a thicker lead "
     "tone without losing your picking dynamics."},
    {0x02,
     "Copperhead Distortion",
     Gain,
     2208,
     {"Gain", "Bass", "Treble", "Level"},
     {"Voice:SMOOTH:RAW"},
     {"Clip Type;SILICON;LED;GERMANIUM;OPEN"},
     {},
     "A hard-clipping distortion with a two-band tone stack and four selectable clipping "
     "stages. It covers everything from tight rhythm crunch to saturated, compressed leads, and "
     "the open setting removes the diodes altogether for an aggressive, amp-like edge.",
     "The LED clipping stage gives the most headroom; use it with a high Gain setting when you "
     "want distortion that still feels open."},
    {0x03,
     "Liquid Chorus",
     Modulation,
     2496,
     {"Rate", "Depth", "Mix", "Tone"},
     {"Mode:MONO:STEREO|Chooses a mono chorus, or a stereo chorus in which the two outputs are "
      "swept in opposite directions for a wide image."},
     {},
     {"LFO"},
     "A lush bucket-brigade style chorus with a soft, slightly dark repeat. At slow rates it "
     "adds shimmer and width to clean chords; at faster rates and full depth it turns into a "
     "seasick vibrato.",
     "Keep Mix below halfway for a classic doubled sound, and roll Tone back if the chorus "
     "sounds glassy through a bright amplifier."},
    {0x04,
     "Vintage Phaser",
     Modulation,
     2880,
     {"Rate", "Depth", "Feedback", "Mix"},
     {},
     {"Stages;2;4;6;8;10;12"},
     {"LFO"},
     "A swirling phase shifter modelled on the four-stage units of the seventies, extended with "
     "a choice of up to twelve stages. Few stages give a gentle, vocal sweep; many stages give "
     "deep, resonant notches that stand out in a mix.",
     "Four stages with a slow Rate and no Feedback is the classic funk rhythm setting."},
    {0x05,
     "Proxima Boost",
     Gain,
     1216,
     {"Boost", "Treble"},
     {"Bright:OFF:ON"},
     {},
     {},
     "A clean, transparent boost with up to twenty decibels of gain and a gentle treble "
     "control. Place it before a drive to add sustain, or after it to lift your solo above the "
     "band without changing the character of your tone.",
     "Leave the boost on at a modest setting as an always-on buffer: it restores the sparkle "
     "that long cables take away."},
    {0x06,
     "Jet Flanger",
     Modulation,
     3136,
     {"Rate", "Depth", "Feedback", "Manual", "Mix"},
     {"Polarity:POS:NEG"},
     {},
     {"LFO"},
     "A flanger with a wide sweep range and strong feedback, able to produce both subtle comb "
     "filtering and the roaring jet-plane whoosh of the late sixties. The Manual control sets "
     "the centre of the sweep, so the effect can also be used as a fixed, hollow filter.",
     "Set Depth to zero and move Manual slowly by hand for a static flange that you can tune "
     "to the key of the song."},
    {0x07,
     "Velvet Fuzz",
     Gain,
     1984,
     {"Fuzz", "Tone", "Level", "Bias"},
     {"Gate:OFF:ON"},
     {},
     {},
     "A thick, woolly fuzz with long sustain and a round bottom end. The Bias control starves "
     "the virtual transistor of voltage, turning the smooth fuzz into a sputtering, gated "
     "texture when turned down.",
     "Clean up the fuzz by lowering your guitar's volume knob; the effect responds to it like "
     "the old two-transistor circuits do."},
    {0x08,
     "Saw Lead Synth",
     Synthesis,
     4480,
     {"Attack", "Decay", "Cutoff", "Resonance", "Mix"},
     {"Register:NORMAL:LOW|Plays the synthesised voice at the pitch of your note (NORMAL) or one "
      "octave below it (LOW)."},
     {"Waveform;SAW;SQUARE;PULSE;TRIANGLE"},
     {"Gate ON", "Envelope"},
     "A monophonic guitar synthesizer: it tracks the pitch of single notes and plays them "
     "through an oscillator, a resonant low-pass filter and an envelope. It is at its best "
     "with clean, single-note lines played on the neck pickup.",
     "Pick cleanly and mute the strings you are not playing; the tracking follows the strongest "
     "note it hears."},
    {0x09,
     "Envelope Filter",
     Filter,
     3264,
     {"Sensitivity", "Range", "Resonance", "Mix"},
     {"Direction:UP:DOWN"},
     {"Filter Type;LP;BP;HP;NOTCH;PEAK"},
     {"Envelope"},
     "An auto-wah that opens and closes a resonant filter with the strength of your playing. "
     "Five filter shapes range from the classic band-pass quack to a low-pass sweep that is at "
     "home on bass.",
     "Set Sensitivity so that only your hardest picking reaches the top of the sweep, and "
     "leave the guitar's volume at full."},
    {0x0A,
     "Studio Compressor",
     Dynamic,
     2624,
     {"Threshold", "Ratio", "Attack", "Release", "Makeup", "Blend"},
     {"Knee:HARD:SOFT"},
     {},
     {"Gain Reduction", "Output"},
     "A full-featured studio compressor with the controls of a rack unit. It evens out "
     "your picking, adds sustain to clean parts, and with the Blend control can be used as a "
     "parallel compressor that keeps the natural attack of the strings.",
     "Start with a ratio of about four to one, lower the threshold until the gain reduction "
     "indicator flickers on the loudest notes, then use Makeup to match the bypassed level."},
    {0x0B,
     "Digital Delay",
     Other,
     4992,
     {"Time", "Feedback", "Mix", "Hi-Cut"},
     {"Trails:OFF:ON", "Tap:Tap:Tap@"},
     {"Subdivision;QUARTER;DOTTED EIGHTH;EIGHTH;TRIPLET;SIXTEENTH"},
     {"Tap Tempo"},
     "A clean, precise delay of up to one and a half seconds with tap tempo and rhythmic "
     "subdivisions. The repeats are as clear as the dry signal unless you darken them with the "
     "Hi-Cut control.",
     "The dotted-eighth subdivision with about three repeats gives the cascading rhythm that "
     "so many stadium ballads are built on."},
    {0x0C,
     "Drive + Spring",
     Gain,
     4352,
     {"Drive", "Tone", "Level", "Dwell", "Reverb Mix"},
     {"Order:DRIVE FIRST:REVERB FIRST"},
     {},
     {},
     "An amp-style overdrive paired with a drip-laden spring reverb, the combination of a "
     "small combo amplifier turned up in a garage. The two halves can be placed in either "
     "order.",
     "Put the reverb first and turn the drive up for a dirty, exploding surf sound."},
    {0x0D,
     "TriXie Tremolo",
     Modulation,
     2304,
     {"Rate", "Depth", "Shape", "Level"},
     {"Sync:-:-@"},
     {"Rhythm;STRAIGHT;TRIPLET;DOTTED;SWING;RANDOM;HALF;DOUBLE;STOP"},
     {"LFO"},
     "A rhythmic tremolo with eight patterns, from a smooth pulse to random stutters. The "
     "Shape control morphs the wave from a soft sine through a triangle to a hard square chop.",
     "Use the random pattern with a square shape and full depth for a glitchy, sequenced "
     "effect on sustained chords."},
    {0x0E,
     "Razor X Drive",
     Gain,
     2112,
     {"Gain", "Presence", "Tight", "Level"},
     {"Solo:OFF:ON"},
     {},
     {"Clip"},
     "A modern high-gain drive voiced for downtuned riffs. The Tight control removes low end "
     "before the clipping so that palm mutes stay articulate even at extreme gain.",
     "Turn Tight up for fast riffing, down for a looser, doomier sound on open chords."},
    {0x0F,
     "Harmonic Tremolo",
     Modulation,
     2368,
     {"Rate", "Depth", "Crossover", "Level"},
     {"LFO Wave:SINE:SQUARE"},
     {},
     {"LFO"},
     "The rare tremolo of the early brown amplifiers: the signal is split into lows and highs, "
     "and the two bands pulse in turn. The result is a subtle, phasey throb quite unlike a "
     "plain volume tremolo.",
     "A slow rate and moderate depth add movement to clean arpeggios without sounding like an "
     "effect at all."},
    {0x10,
     "Pulse Bass Synth",
     Synthesis,
     3968,
     {"Pulse Width", "Cutoff", "Env Amount", "Decay", "Mix"},
     {"Glide:OFF:ON"},
     {"Octave;0;-1;-2;+1|Sets the pitch of the synthesised voice relative to the note you play: "
      "the same octave, one or two octaves below, or one octave above."},
     {"Gate ON"},
     "A punchy monophonic synth voice built on a variable pulse wave, voiced for bass lines "
     "played on a guitar. With the octave set to -1 or -2 it produces deep, rubbery tones that "
     "hold up under a full band.",
     "Play staccato and let the Decay control shape each note; the synth responds best to "
     "clearly separated notes."},
    {0x11,
     "Auto Wah",
     Filter,
     2752,
     {"Sensitivity", "Q", "Range", "Rate", "Mix"},
     {"Mode:ENVELOPE:LFO|Chooses what moves the filter: the strength of your playing (ENVELOPE) "
      "or a steady low-frequency oscillator (LFO)."},
     {},
     {"Envelope", "LFO"},
     "A wah that moves by itself, either following your picking or sweeping at a set rate. "
     "A narrow Q gives the classic vocal quack, a wide Q a gentler tonal movement.",
     "In LFO mode, set Rate to the tempo of the song for a rhythmic, pulsing wah."},
    {0x12,
     "Plate Reverb",
     Other,
     7680,
     {"Decay", "Pre-Delay", "Damping", "Low Cut", "Mix"},
     {"Size:STUDIO:HALL", "Freeze:OFF:ON@"},
     {},
     {},
     "A dense, bright plate reverb of the kind that studios have used on vocals and snare "
     "drums for decades. It blooms quickly and decays smoothly, without the metallic flutter "
     "of cheaper algorithms.",
     "Add twenty to forty milliseconds of Pre-Delay to keep the attack of your notes in front "
     "of the reverb."},
    {0x13,
     "Hi-Gain Lead",
     Gain,
     3392,
     {"Gain", "Bass", "Mid", "Treble", "Presence", "Level"},
     {"Channel:RHYTHM:LEAD", "Gate:OFF:ON"},
     {"Cabinet Voice;1X12;2X12;4X12;OFF"},
     {"Gate ON"},
     "A two-channel high-gain preamp with a full tone stack and a built-in noise gate. The "
     "lead channel adds gain and a mid-range push for singing solos; the cabinet voice "
     "prepares the sound for a full-range system or a guitar amplifier's effects return.",
     "Set the cabinet voice to OFF when you play through a real guitar cabinet."},
    {0x14,
     "Swirl Vibe",
     Modulation,
     2560,
     {"Speed", "Intensity", "Level"},
     {"Mode:CHORUS:VIBRATO|Chooses the chorus mode, which mixes the swirl with the dry signal, "
      "or the vibrato mode, which outputs only the pitch-wavering signal."},
     {},
     {"LFO"},
     "A photocell-style vibe with its uneven, pulsing sweep, the sound of countless psychedelic "
     "solos. It is richer and more liquid than a phaser and sits well after a fuzz.",
     "Put a fuzz before the vibe and keep Speed slow for the famous throbbing lead sound."},
    {0x15,
     "Sub Octave",
     Synthesis,
     1792,
     {"Dry", "Octave Down", "Two Down", "Tone"},
     {"Tracking:CLEAN:GRITTY"},
     {},
     {},
     "A polyphonic octave divider that adds voices one and two octaves below your notes. It "
     "tracks chords as well as single notes, so it can fatten rhythm parts or stand in for a "
     "bass player.",
     "Use only the Octave Down voice with Dry at full for a thick twelve-string-like rhythm."},
    {0x16,
     "Canyon Crunch",
     Gain,
     2048,
     {"Gain", "Tone", "Level"},
     {"Bright:OFF:ON", "Fat:OFF:ON"},
     {},
     {},
     "A mid-gain crunch modelled on a cranked plexiglass-panel head. It is loud, open and "
     "chewy, with the compression of power tubes at full tilt.",
     "Switch Fat on for single-coil guitars and off for humbuckers, which already carry plenty "
     "of low mids."},
    {0x17,
     "Rotary Cabinet",
     Modulation,
     5440,
     {"Slow Rate", "Fast Rate", "Acceleration", "Drive", "Mix"},
     {"Rotor:SLOW:FAST", "Brake:-:-@"},
     {},
     {"Horn", "Drum"},
     "A rotating-speaker simulation with a separate horn and drum, each with its own inertia. "
     "Switching speed makes the two rotors ramp up and slow down at different rates, just as a "
     "real cabinet does.",
     "Switch from SLOW to FAST at the start of a chorus and back at its end; the ramps do the "
     "rest."},
    {0x18,
     "Ring Modulator",
     Synthesis,
     1920,
     {"Frequency", "Mix", "LFO Rate", "LFO Depth"},
     {},
     {"Carrier;SINE;TRIANGLE;SQUARE;NOISE"},
     {"LFO"},
     "A ring modulator multiplies your signal by a carrier wave, producing clangorous, "
     "bell-like and metallic tones that have little to do with the notes you play. An LFO can "
     "sweep the carrier for sci-fi effects.",
     "Low carrier frequencies give a choppy tremolo; high ones give bells and robot voices."},
    {0x19,
     "Parametric EQ",
     Filter,
     3008,
     {"Low Gain", "Mid Gain", "Mid Freq", "Mid Q", "High Gain", "Level"},
     {"Low Shape:SHELF:PEAK"},
     {},
     {},
     "A three-band equalizer with a fully parametric mid band. Use it to fix the tone of a "
     "guitar or amplifier, or as a boost that lifts exactly the frequencies that make a solo "
     "cut through.",
     "A narrow cut around 3 kHz tames harsh distortion; a wide boost around 800 Hz brings a "
     "solo forward."},
    {0x1A,
     "Smart Gate",
     Dynamic,
     1216,
     {"Threshold", "Release", "Range"},
     {"Mode:GATE:DUCK|Chooses between a noise gate, which closes when you stop playing (GATE), "
      "and a ducker, which lowers the signal while you play loudly (DUCK)."},
     {},
     {"Gate ON"},
     "A fast noise gate that silences hum and hiss between phrases without chopping the tails "
     "of sustained notes. In ducking mode it works the other way round and can be placed "
     "before a delay to keep the repeats out of the way of your playing.",
     "Set Threshold just above the noise you hear with the strings muted, then lengthen "
     "Release until sustained chords fade naturally."},
    {0x1B,
     "Analog Echo",
     Other,
     4736,
     {"Time", "Repeats", "Mix", "Age", "Modulation"},
     {"Trails:OFF:ON", "Tap:Tap:Tap@"},
     {},
     {"Tap Tempo"},
     "A warm bucket-brigade echo whose repeats grow darker and grainier as they fade. The Age "
     "control adds the noise and lost treble of an old unit, and Modulation a slight chorus on "
     "the repeats.",
     "Turn Repeats past three o'clock and move Time slowly for runaway oscillation."},
    {0x1C,
     "Silicon Fuzz",
     Gain,
     1568,
     {"Fuzz", "Tone", "Level"},
     {"Octave:OFF:ON|Adds an octave-up voice to the fuzz, strongest on the upper frets and the "
      "neck pickup."},
     {},
     {},
     "A bright, cutting silicon-transistor fuzz with an optional octave-up circuit. Where a "
     "germanium fuzz is round and soft, this one is tight, aggressive and full of harmonics.",
     "Play above the twelfth fret with the neck pickup to hear the octave at its clearest."},
    {0x1D,
     "Tape Wobble",
     Modulation,
     3712,
     {"Wow", "Flutter", "Age", "Mix"},
     {"Tape:NEW:WORN"},
     {},
     {"LFO"},
     "The gentle pitch drift of a stretched cassette or a warped record. Wow gives slow, "
     "seasick bends; Flutter adds a quick, nervous shimmer. Together they lend a "
     "nostalgic, lo-fi haze to chords and melodies.",
     "A touch of Wow with the worn tape setting makes a clean chord sound like an old demo "
     "recording."},
    {0x1E,
     "Glide Synth",
     Synthesis,
     4224,
     {"Glide Time", "Cutoff", "Resonance", "Attack", "Mix"},
     {"Legato:OFF:ON"},
     {"Interval;UNISON;FIFTH;OCTAVE;TWELFTH;TWO OCT;DOWN OCT"},
     {"Gate ON", "Envelope", "Pitch"},
     "A portamento synth whose voice slides smoothly from one note to the next. With a long "
     "glide time it produces the swooping lead lines of classic analogue synthesizers; with a "
     "short one it tracks like a conventional guitar synth.",
     "Play legato phrases with hammer-ons and pull-offs; the glide is most audible between "
     "notes that are far apart."},
    {0x1F,
     "Ensemble 12",
     Modulation,
     3456,
     {"Rate", "Depth", "Spread", "Mix"},
     {"Voices:SIX:TWELVE"},
     {},
     {"LFO"},
     "A multi-voice ensemble that turns one guitar into a chorus of six or twelve slightly "
     "detuned players. It is thicker than a chorus and less obvious than a flanger.",
     "Use the twelve-voice setting on open chords for a string-machine pad."},
    {0x20,
     "Chorus+Echo",
     Modulation,
     5056,
     {"Chorus Rate", "Chorus Depth", "Echo Time", "Echo Repeats", "Mix"},
     {"Order:CHORUS FIRST:ECHO FIRST", "Tap:Tap:Tap@"},
     {},
     {"Tap Tempo", "LFO"},
     "A chorus and an echo in one program, the pairing heard on countless clean guitar parts. "
     "The chorus can feed the echo or modulate its repeats, depending on the order.",
     "With ECHO FIRST, only the repeats are chorused, which keeps the dry note solid."},
    {0x21,
     "Stack 800 Crunch",
     Gain,
     3584,
     {"Gain", "Bass", "Mid", "Treble", "Presence", "Level"},
     {"Input:LOW:HIGH"},
     {},
     {"Clip"},
     "The roar of a single-channel master-volume head in front of a closed-back four-by-twelve "
     "cabinet. Bright and aggressive, it is the archetypal hard-rock rhythm tone.",
     "Use the LOW input with a hot humbucker to keep the crunch from turning into mush."},
    {0x22,
     "Step Sequencer",
     Synthesis,
     5760,
     {"Step 1", "Step 2", "Step 3", "Step 4", "Step 5", "Step 6", "Step 7", "Step 8", "Tempo", "Cutoff"},
     {"Direction:FORWARD:REVERSE", "Glide:OFF:ON", "Run:-:-@", "Reset:-:-@"},
     {"Steps;1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16", "Root;C;C#;D;D#;E;F;F#;G;G#;A;A#;B"},
     {"Beat", "Bar", "Gate ON", "Envelope"},
     "An eight-step pitch sequencer that plays a repeating pattern of notes, triggered by your "
     "picking and transposed to the root you choose. It turns a single sustained note into an "
     "arpeggiated synth line.",
     "Set Steps to a length different from eight for patterns that drift against the beat."},
    {0x23,
     "Shimmer Reverb",
     Other,
     9472,
     {"Decay", "Shimmer", "Pre-Delay", "Tone", "Mix"},
     {"Interval:OCTAVE:FIFTH", "Freeze:OFF:ON@"},
     {},
     {},
     "A vast, pitch-shifted reverb whose tail climbs an octave or a fifth as it decays. It "
     "turns simple chords into glowing, organ-like pads and is a favourite for ambient "
     "swells.",
     "Combine with a volume pedal or slow attack for washes of sound with no pick attack."},
    {0x24,
     "Auto-Pan",
     Modulation,
     2176,
     {"Rate", "Width", "Shape"},
     {"Tap:Tap:Tap@"},
     {},
     {"LFO"},
     "A stereo auto-panner that moves your sound from one side to the other. Used subtly it "
     "adds space; at full width and a fast rate it becomes a dizzying rotary-like effect.",
     "Auto-Pan only makes sense in stereo; in mono it behaves as a gentle tremolo."},
    {0x25,
     "Test Oscillator",
     Unlisted,
     1344,
     {"Frequency", "Level"},
     {"Output:LEFT:BOTH"},
     {"Waveform;SINE;SQUARE;SAW;NOISE"},
     {},
     "A service program that replaces the guitar signal with a steady test tone. It is used at "
     "the factory and by technicians to check levels and wiring, and is not meant for playing.",
     "Keep the level low before switching on: the tone plays at once and does not depend on "
     "the guitar."},
    {0x26,
     "Low-Mid Drive",
     Gain,
     2240,
     {"Drive", "Low", "Mid", "Level"},
     {"Diodes:SOFT:HARD"},
     {},
     {},
     "A versatile drive with separate low and mid controls that act before the clipping. It "
     "can sound like a clean boost, a bluesy overdrive or a thick distortion, and works "
     "equally well on bass.",
     "Cut Low and boost Mid for a focused tone that sits in the middle of a busy band."},
    {0x27,
     "Cabinet IR",
     ImpulseResponse,
     4096,
     {"Level", "Low Cut", "High Cut", "Mix"},
     {"Air:OFF:ON"},
     {},
     {},
     "A speaker-cabinet simulator that loads an impulse response of your choice. It turns the "
     "raw output of a preamp or drive pedal into the finished sound of a miked cabinet, ready "
     "for headphones, a mixing desk or a full-range speaker.",
     "Load your impulse response with Load IR in the File menu before uploading; the program "
     "carries a neutral default response until you do."},
    {0x28,
     "Formant Filter",
     Filter,
     2944,
     {"Vowel", "Rate", "Depth", "Resonance", "Mix"},
     {},
     {"Vowel Set;A-E;E-I;I-O;O-U;U-A"},
     {"LFO"},
     "A talking filter that makes your guitar speak vowel sounds. An LFO glides between the two "
     "vowels of the chosen set, or you can park the Vowel control on a single sound.",
     "The O-U set at a slow rate gives a convincing, mouth-like wah-wah."},
    {0x29,
     "Dual IR Blend",
     ImpulseResponse,
     3584,
     {"Level", "Blend", "Low Cut", "High Cut"},
     {"Phase:NORMAL:INVERT"},
     {},
     {},
     "A cabinet simulator that blends the loaded impulse response with a built-in second "
     "microphone. Mixing the two reproduces the classic studio trick of combining a close and "
     "a room microphone on one speaker.",
     "If the blend sounds thin, switch Phase to INVERT: the two responses were cancelling "
     "each other."},
    {0x2A,
     "IR + Room",
     ImpulseResponse,
     3616,
     {"Level", "Room Size", "Room Mix", "High Cut"},
     {"Room:SMALL:LARGE"},
     {},
     {},
     "An impulse-response cabinet followed by a short room ambience, giving the sense of a "
     "cabinet recorded in a real space rather than the dry, close sound of a bare impulse "
     "response.",
     "Keep Room Mix low for recording and raise it for headphone practice."},
    {0x2B,
     "Long Cabinet IR",
     ImpulseResponse,
     9088,
     {"Level", "Low Cut", "High Cut", "Presence", "Mix"},
     {"Air:OFF:ON"},
     {"Mic Distance;CLOSE;NEAR;MID;FAR"},
     {},
     "The highest-resolution cabinet simulator of the library, with the longest impulse "
     "response table. It captures the low-frequency resonance of large closed-back cabinets "
     "that shorter responses cut off.",
     "Choose the FAR position for a more open, roomy cabinet; the program delays and softens "
     "the response accordingly."},
    {0x2C,
     "Barber Pole Phaser",
     Modulation,
     5824,
     {"Rate", "Depth", "Feedback", "Mix"},
     {"Direction:UP:DOWN"},
     {},
     {"LFO"},
     "A phaser whose sweep seems to rise or fall for ever, like the stripes of a barber's pole. "
     "Because it never turns round, it has none of the back-and-forth pulse of an ordinary "
     "phaser.",
     "A very slow rate with high feedback gives an endless, hypnotic ascent behind sustained "
     "chords."},
    {0x2D,
     "Mega Multi FX",
     Unlisted,
     8192,
     {"Gain", "Tone", "Level", "Rate", "Depth", "Mix", "Time", "Feedback", "Decay", "Threshold"},
     {"Drive:OFF:ON|Switches the drive section in or out.",
      "Chorus:OFF:ON|Switches the chorus section in or out.",
      "Delay:OFF:ON|Switches the delay section in or out.",
      "Reverb:OFF:ON|Switches the reverb section in or out.", "Gate:OFF:ON",
      "Compressor:OFF:ON|Switches the compressor section in or out.", "Solo:OFF:ON", "Trails:OFF:ON",
      "Mode:MONO:STEREO|Chooses mono or stereo output.", "Voice:SMOOTH:RAW", "Bright:OFF:ON", "Tap:Tap:Tap@"},
     {"Order;A;B;C;D|Chooses one of four fixed orders of the sections.",
      "Delay Type;DIGITAL;ANALOG;TAPE;REVERSE;PING PONG"},
     {"Tap Tempo"},
     "An experimental all-in-one program chaining a compressor, drive, chorus, delay and "
     "reverb. It was never released in the browser: it declares more controls than the "
     "parameter window has room for.",
     "This program is only reached when the pedal reports it; the sections are best set up "
     "from the pedal itself."},
    {0x2E,
     "Organ Pad",
     Synthesis,
     4864,
     {"Sub Drawbar", "Main Drawbar", "Upper Drawbar", "Attack", "Mix"},
     {"Percussion:OFF:ON", "Vibrato:OFF:ON"},
     {"Vibrato Type;V1;V2;V3;C1;C2;C3"},
     {"Envelope"},
     "A polyphonic organ simulation built from three drawbar voices, with key-click "
     "percussion and the scanner vibrato and chorus of a tonewheel organ. Chords played softly "
     "turn into a smooth, swelling pad.",
     "Raise Attack for slow swells, or switch on Percussion for a punchy, gospel-style stab."},
    {0x2F,
     "Legacy Flanger",
     Unlisted,
     2688,
     {"Rate", "Depth", "Feedback", "Mix"},
     {},
     {},
     {"LFO"},
     "The flanger of the first firmware releases, kept so that older presets still load. Jet "
     "Flanger and Through-Zero Flanger replace it in the browser.",
     "Upload Jet Flanger for new sounds; it offers the same controls with a wider sweep."},
    {0x30,
     "Reverse Delay",
     Other,
     6144,
     {"Time", "Feedback", "Mix", "Smear"},
     {"Tap:Tap:Tap@"},
     {},
     {"Tap Tempo"},
     "A delay that plays each slice of your playing backwards, so that notes swell in instead "
     "of fading out. Short times give stuttering textures, long times psychedelic backwards "
     "solos.",
     "Play slowly and leave space: the reversed phrases need room to be heard."},
    {0x31,
     "Quad Chorus",
     Modulation,
     4608,
     {"Rate", "Depth", "Spread", "Mix"},
     {},
     {"Voices;1;2;3;4;5;6;7;8"},
     {"LFO"},
     "A chorus with up to eight voices, each with its own modulation phase. One voice gives a "
     "simple, focused chorus; eight give a dense shimmer reminiscent of a twelve-string guitar "
     "drenched in studio effects.",
     "Increase Spread when playing in stereo to place the voices across the whole field."},
    {0x32,
     "Greenline Drive",
     Gain,
     1696,
     {"Drive", "Tone", "Level"},
     {},
     {},
     {},
     "A mid-humped, smooth overdrive that tightens the low end and pushes the mids forward. It "
     "is the classic stacking pedal in front of an already driven amplifier.",
     "Drive at minimum and Level at maximum turns it into the tightest boost in the library."},
    {0x33,
     "Through-Zero Flanger",
     Modulation,
     5568,
     {"Rate", "Depth", "Feedback", "Manual", "Mix"},
     {"Through Zero:OFF:ON", "Sync:-:-@"},
     {},
     {"LFO"},
     "A tape-style flanger whose delayed copy passes ahead of the dry signal at the bottom of "
     "each sweep, producing the deep cancellation heard on records made with two tape "
     "machines.",
     "Set Mix to the middle: through-zero cancellation only happens when the two signals are "
     "equally loud."},
    {0x34,
     "Pitch Shifter",
     Other,
     6912,
     {"Fine", "Mix", "Tone", "Level"},
     {"Mode:POLY:MONO|Chooses polyphonic shifting, which follows chords (POLY), or monophonic "
      "shifting, which tracks single notes more cleanly (MONO)."},
     {"Interval;-12;-7;-5;+4;+5;+7;+12;+24"},
     {"Pitch", "Gate ON", "Envelope"},
     "A pitch shifter that adds a voice at a fixed interval above or below your playing, from "
     "an octave down to two octaves up. With Fine it becomes a detuner for thick, doubled "
     "sounds.",
     "For a doubling effect, choose -12 or +12, set Fine slightly off centre and Mix low."},
    {0x35,
     "Beta Harmonizer",
     Unlisted,
     7040,
     {"Mix", "Tone", "Level"},
     {"Voice:ABOVE:BELOW|Places the harmony voice above or below the note you play."},
     {"Key;C;C#;D;D#;E;F;F#;G;G#;A;A#;B", "Scale;MAJOR;MINOR;DORIAN;MIXOLYDIAN;BLUES"},
     {"Pitch", "Gate ON"},
     "A preview of an intelligent harmonizer that adds a harmony a third above or below your "
     "notes, in the key and scale you choose. It is still in development and is not listed in "
     "the browser.",
     "Set the key and scale of the song first; the harmony follows the scale, not a fixed "
     "interval."},
    {0x36,
     "MIDI Clock Delay",
     Unlisted,
     4992,
     {"Feedback", "Mix", "Hi-Cut"},
     {"Clock:INTERNAL:MIDI"},
     {"Division;WHOLE;HALF;QUARTER;EIGHTH;SIXTEENTH;TRIPLET"},
     {"Tap Tempo", "Beat"},
     "A delay whose time follows the MIDI clock of a drum machine or sequencer. It is used in "
     "the pedal's own MIDI setups and does not appear in the browser.",
     "Set Clock to MIDI only when a clock source is connected; without one the delay keeps "
     "the last tempo it received."},
    {0x37,
     "Swell Pad",
     Synthesis,
     6400,
     {"Attack", "Release", "Sensitivity", "Shimmer", "Mix"},
     {"Hold:OFF:ON"},
     {},
     {"Envelope", "Gate ON"},
     "An automatic volume swell combined with a soft reverb pad. Every note fades in like a "
     "bowed string and blends into the pad, removing the pick attack completely.",
     "Switch Hold on to sustain the pad under a new chord while the old one rings out."},
    {0x38,
     "Vibrato Deluxe",
     Modulation,
     2432,
     {"Rate", "Depth", "Rise Time", "Level"},
     {"Mode:VIBRATO:CHORUS|Chooses pure pitch vibrato, or a chorus that mixes the vibrato with the "
      "dry signal.",
      "Sync:-:-@"},
     {},
     {"LFO"},
     "A true pitch vibrato with a rise time that lets the effect fade in after each note, like "
     "a singer's natural vibrato. It is subtle at low depth and wildly detuned at full depth.",
     "A long Rise Time keeps short notes clean and adds vibrato only to held notes."},
    {0x39,
     "Bit Crusher",
     Other,
     1472,
     {"Bits", "Downsample", "Mix", "Level"},
     {"Filter:OFF:ON"},
     {},
     {},
     "A digital degrader that reduces the bit depth and sample rate of your signal, producing "
     "the gritty, aliased crunch of early samplers and video game consoles.",
     "Blend a little of the crushed signal under a clean tone for a subtle lo-fi edge."},
    {0x3A,
     "Germanium Fuzz",
     Gain,
     1600,
     {"Fuzz", "Bias", "Temperature", "Level"},
     {},
     {},
     {},
     "A round, vintage fuzz based on germanium transistors, soft at the edges and very "
     "responsive to the guitar's volume control. The Temperature control recreates the way "
     "these transistors change with the weather.",
     "Plug the guitar straight into this effect first in the chain: germanium fuzz likes to "
     "see the pickups directly."},
};

} // namespace

const std::vector<EffectDef>& effects() {
    return kEffects;
}

namespace {

// The shared sentences of the information pages, by control name.
const std::map<std::string, const char*> kHelp = {
    // Knobs.
    {"Acceleration", "Sets how quickly the rotors speed up and slow down when the speed is switched."},
    {"Age", "Adds the noise, wobble and lost treble of old, well-used equipment."},
    {"Attack", "Sets how quickly the effect responds at the start of each note: low for an "
               "immediate response, high for a slow fade-in."},
    {"Bass", "Boosts or cuts the low frequencies."},
    {"Bias", "Sets the operating point of the transistor; turn it down for a sputtering, "
             "gated fuzz."},
    {"Bits", "Sets the bit depth of the signal; fewer bits give a harsher, noisier sound."},
    {"Blend", "Mixes the processed signal with the unprocessed one, from fully dry to fully "
              "processed."},
    {"Boost", "Sets the amount of clean gain added to the signal."},
    {"Chorus Depth", "Sets how strongly the chorus detunes the signal."},
    {"Chorus Rate", "Sets the speed of the chorus modulation."},
    {"Crossover", "Sets the frequency at which the signal is split into the low and high bands "
                  "that pulse in turn."},
    {"Cutoff", "Sets the corner frequency of the filter: lower values give a darker sound."},
    {"Damping", "Sets how quickly the high frequencies die away in the reverb tail."},
    {"Decay", "Sets how long the sound takes to die away."},
    {"Depth", "Sets the intensity of the modulation."},
    {"Downsample", "Lowers the sample rate of the signal, adding metallic aliasing tones."},
    {"Drive", "Sets the amount of overdrive: higher values give more saturation and sustain."},
    {"Dry", "Sets the level of your unprocessed guitar."},
    {"Dwell", "Sets how hard the signal drives the reverb spring; higher values give a wetter, "
              "splashier sound."},
    {"Echo Repeats", "Sets the number of echo repeats."},
    {"Echo Time", "Sets the time between the echo repeats."},
    {"Env Amount", "Sets how far the envelope opens the filter on each note."},
    {"Fast Rate", "Sets the rotor speed used in the FAST position."},
    {"Feedback", "Feeds part of the output back into the effect; higher values give a stronger, "
                 "more resonant sound or more repeats."},
    {"Fine", "Detunes the shifted voice by a few cents for a thicker, chorus-like doubling."},
    {"Flutter", "Sets the amount of fast pitch variation, like a tape running unevenly."},
    {"Frequency", "Sets the frequency of the oscillator."},
    {"Fuzz", "Sets the amount of fuzz and sustain."},
    {"Gain", "Sets the amount of gain before the clipping stage, from mild crunch to full "
             "saturation."},
    {"Glide Time", "Sets how long the voice takes to slide from one note to the next."},
    {"High Cut", "Removes high frequencies above the set point to soften harsh, fizzy treble."},
    {"High Gain", "Boosts or cuts the high band."},
    {"Hi-Cut", "Darkens the repeats by removing high frequencies."},
    {"Horn Level", "Sets the level of the horn rotor."},
    {"Intensity", "Sets the depth of the sweep."},
    {"Level", "Sets the output volume of the effect; adjust it to match the bypassed sound."},
    {"LFO Depth", "Sets how far the LFO sweeps the carrier frequency."},
    {"LFO Rate", "Sets the speed of the LFO that sweeps the carrier."},
    {"Low", "Boosts or cuts the low frequencies before the clipping stage."},
    {"Low Cut", "Removes low frequencies below the set point to tighten the sound."},
    {"Low Gain", "Boosts or cuts the low band."},
    {"Main Drawbar", "Sets the level of the voice at the pitch you play."},
    {"Makeup", "Restores the level lost to compression."},
    {"Manual", "Sets the centre point of the sweep."},
    {"Mid", "Boosts or cuts the middle frequencies."},
    {"Mid Freq", "Sets the centre frequency of the mid band."},
    {"Mid Gain", "Boosts or cuts the mid band."},
    {"Mid Q", "Sets the width of the mid band: high values affect a narrow range of frequencies."},
    {"Mix", "Sets the balance between the dry signal and the effect."},
    {"Modulation", "Adds a slight chorus to the repeats."},
    {"Octave Down", "Sets the level of the voice one octave below."},
    {"Pre-Delay", "Sets a short delay before the reverb starts, keeping the attack of your notes "
                  "clear."},
    {"Presence", "Adjusts the upper treble for more bite or a smoother top end."},
    {"Pulse Width", "Sets the width of the pulse wave, from a hollow square to a thin, nasal "
                    "pulse."},
    {"Q", "Sets the sharpness of the filter peak."},
    {"Range", "Sets how far the filter sweeps."},
    {"Rate", "Sets the speed of the modulation."},
    {"Ratio", "Sets how strongly the signal above the threshold is compressed."},
    {"Release", "Sets how quickly the effect recovers once the signal falls."},
    {"Repeats", "Sets the number of repeats."},
    {"Resonance", "Emphasises the frequencies around the filter's corner for a more vocal sound."},
    {"Reverb Mix", "Sets the level of the spring reverb."},
    {"Rise Time", "Sets how long the vibrato takes to reach full depth after each note."},
    {"Room Mix", "Sets the level of the room ambience."},
    {"Room Size", "Sets the size of the simulated room."},
    {"Sensitivity", "Sets how strongly your playing drives the effect: raise it for a light touch "
                    "or low-output pickups."},
    {"Shape", "Morphs the modulation wave from smooth to choppy."},
    {"Shimmer", "Sets the level of the pitch-shifted voices in the effect."},
    {"Slow Rate", "Sets the rotor speed used in the SLOW position."},
    {"Smear", "Blurs the edges of the reversed slices for a smoother texture."},
    {"Speed", "Sets the speed of the sweep."},
    {"Spread", "Sets how widely the voices are detuned and spread across the stereo field."},
    {"Sub Drawbar", "Sets the level of the voice one octave below."},
    {"Temperature", "Simulates the transistor warming up: cold is tight and bright, hot is "
                    "loose and smooth."},
    {"Tempo", "Sets the speed at which the sequencer moves from step to step."},
    {"Threshold", "Sets the level above which the effect starts to act."},
    {"Tight", "Removes low end before the clipping stage so that palm mutes stay articulate."},
    {"Time", "Sets the delay time."},
    {"Tone", "Adjusts the brightness of the effect."},
    {"Treble", "Boosts or cuts the high frequencies."},
    {"Two Down", "Sets the level of the voice two octaves below."},
    {"Upper Drawbar", "Sets the level of the voice one octave above."},
    {"Vowel", "Sets the vowel sound when the LFO depth is at zero, and the starting point of "
              "the sweep otherwise."},
    {"Width", "Sets how far the sound moves between the left and right outputs."},
    {"Wow", "Sets the amount of slow pitch drift."},
    // Switches, buttons and selectors.
    {"Air", "Adds the top-end sheen of a microphone placed a little way from the speaker."},
    {"Solo", "Adds a fixed boost in front of the effect for solos."},
    {"Brake", "Hold the button to stop the rotors; release it to let them run again."},
    {"Bright", "Adds a treble lift for darker guitars and amplifiers."},
    {"Cabinet Voice", "Chooses a speaker-cabinet voicing for direct recording, or OFF for use with "
                      "a real guitar cabinet."},
    {"Carrier", "Chooses the wave shape of the carrier oscillator."},
    {"Channel", "Chooses the rhythm or the lead channel."},
    {"Clip Type", "Chooses the clipping element, each with its own amount of compression and "
                  "headroom."},
    {"Clock", "Chooses whether the tempo comes from the pedal itself or from an incoming MIDI "
              "clock."},
    {"Delay Type", "Chooses the character of the delay section."},
    {"Diodes", "Chooses soft clipping for a smooth overdrive or hard clipping for a more "
               "aggressive distortion."},
    {"Direction", "Chooses the direction of the movement."},
    {"Division", "Chooses the note value of the delay time relative to the MIDI clock."},
    {"Fat", "Adds low-mid weight to the sound."},
    {"Filter", "Switches on a smoothing filter that removes the harshest digital artefacts."},
    {"Filter Type", "Chooses the filter shape: low-pass, band-pass, high-pass, notch or peak."},
    {"Freeze", "Press to hold the current reverb tail indefinitely; press again to release it."},
    {"Gate", "Switches on a noise gate that silences hum and hiss between notes."},
    {"Glide", "Makes the pitch slide between successive notes instead of jumping."},
    {"Hold", "Holds the current pad while new notes are played."},
    {"Input", "Chooses the sensitivity of the virtual input jack."},
    {"Interval", "Chooses the interval of the added voice."},
    {"Key", "Chooses the key of the song."},
    {"Knee", "Chooses an abrupt (HARD) or gradual (SOFT) onset of compression."},
    {"LFO Wave", "Chooses a smooth sine or a choppy square modulation."},
    {"Legato", "When on, the envelope is not restarted for notes played without a gap."},
    {"Low Shape", "Chooses a shelf, which lifts or cuts everything below the low band, or a peak "
                  "centred on it."},
    {"Mic Distance", "Chooses the distance of the simulated microphone from the speaker."},
    {"Mid Boost", "Adds a broad mid-range lift for solos."},
    {"Order", "Chooses the order in which the sections are connected."},
    {"Output", "Chooses whether the tone plays on the left output only or on both outputs."},
    {"Percussion", "Adds a short, bright click at the start of each chord."},
    {"Phase", "Inverts the polarity of the second microphone."},
    {"Polarity", "Chooses positive or negative feedback; negative gives a hollower sound."},
    {"Reset", "Press to restart the sequence from its first step."},
    {"Rhythm", "Chooses the rhythmic pattern of the tremolo."},
    {"Room", "Chooses a small or a large room."},
    {"Root", "Chooses the root note to which the sequence is transposed."},
    {"Run", "Press to start or stop the sequence."},
    {"Scale", "Chooses the scale from which the harmony is built."},
    {"Size", "Chooses a studio plate or a larger, hall-like plate."},
    {"Rotor", "Chooses the slow or the fast rotor speed."},
    {"Stages", "Chooses the number of phase-shifting stages."},
    {"Steps", "Chooses how many steps the sequence plays before it repeats."},
    {"Subdivision", "Chooses the note value of the repeats relative to the tapped tempo."},
    {"Sync", "Press to restart the modulation at the beginning of its cycle, in time with the "
             "band."},
    {"Tap", "Tap the button in time with the music to set the tempo."},
    {"Tape", "Chooses a fresh or a worn tape."},
    {"Through Zero", "Lets the delayed copy pass ahead of the dry signal for the deepest "
                     "cancellation."},
    {"Tracking", "Chooses clean tracking or a gritty, synth-like octave voice."},
    {"Trails", "Lets the repeats or the reverb tail ring out after the effect is bypassed."},
    {"Vibrato", "Switches on the organ's scanner vibrato."},
    {"Vibrato Type", "Chooses one of three vibrato depths (V) or three chorus depths (C)."},
    {"Voice", "Chooses the character of the effect."},
    {"Voices", "Chooses the number of voices."},
    {"Vowel Set", "Chooses the pair of vowels between which the filter moves."},
    {"Waveform", "Chooses the wave shape of the oscillator."},
    // Indicators.
    {"Bar", "Lights at the first step of each sequence."},
    {"Beat", "Flashes on every beat of the tempo."},
    {"Clip", "Lights when the clipping stage is driven hard."},
    {"Drum", "Follows the rotation of the drum rotor."},
    {"Envelope", "Follows the strength of your playing."},
    {"Gain Reduction", "Shows how much the signal is being compressed."},
    {"Gate ON", "Lights while a note is detected and the effect is sounding."},
    {"Horn", "Follows the rotation of the horn rotor."},
    {"LFO", "Follows the modulation oscillator."},
    {"Pitch", "Lights when the pitch of your note is detected reliably."},
    {"Tap Tempo", "Flashes at the current tempo."},
};

} // namespace

const char* controlHelp(const char* name) {
    const auto& table = kHelp;
    const auto it = table.find(name);
    return it == table.end() ? nullptr : it->second;
}

} // namespace tarvo::gen

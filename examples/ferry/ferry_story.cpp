#include "examples/ferry/ferry_story.hpp"

namespace {

Story buildFerry() {
    StoryBuilder b;
    // Declared before it is written: haggling can lead back to itself.
    const ListId haggle = b.declare();

    const ListId pay = b.add({
        ScenarioText{"You count three coins\ninto his hand."},
        ScenarioText{"Halfway over, the fog lifts."},
        ScenarioText{"(Ending: the far shore)"},
        ScenarioEventGameEnd{},
    });
    const ListId swim = b.add({
        ScenarioText{"You wade into the cold river."},
        ScenarioText{"The current is stronger\nthan it looked."},
        ScenarioText{"*cls*"},
        ScenarioText{"You wake on a sandbank,\nfar downstream."},
        ScenarioText{"(Ending: downstream)"},
        ScenarioEventGameEnd{},
    });
    const ListId walk = b.add({
        ScenarioText{"You turn back to the bridge,\na day's walk upriver."},
        ScenarioText{"(Ending: the long way round)"},
        ScenarioEventGameEnd{},
    });
    b.define(haggle, {
                         ScenarioText{"\"Two coins,\" you offer."},
                         ScenarioText{"\"Three,\" he says, and waits."},
                         ScenarioSelector{{
                             {"1: Pay him", pay},
                             {"2: Haggle again", haggle},
                             {"3: Walk away", walk},
                         }},
                     });
    const ListId opening = b.add({
        ScenarioText{"A ferryman waits at the river."},
        ScenarioText{"\"Three coins to cross,\" he says."},
        ScenarioSelector{{
            {"1: Pay him", pay},
            {"2: Swim across", swim},
            {"3: Haggle", haggle},
        }},
    });
    return std::move(b).build(opening);
}

} // namespace

const Story& ferryStory() {
    static const Story story = buildFerry();
    return story;
}

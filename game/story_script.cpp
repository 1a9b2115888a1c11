#include "game/story_script.hpp"

namespace Game {

namespace {

// Unqualified, the script reads as the story it tells.
using Engine::ScenarioEventGameEnd;
using Engine::ScenarioText;

Engine::Story buildStoryScript() {
    Engine::StoryBuilder b;
    // Declared first: both selectors lead to these three, and scissors leads back to its own.
    const Engine::ListId rock = b.declare();
    const Engine::ListId scissors = b.declare();
    const Engine::ListId paper = b.declare();

    const Engine::ScenarioSelector throwChoice{{
        {"１：グー", rock},
        {"２：チョキ", scissors},
        {"３：パー", paper},
    }};

    const Engine::ListId opening = b.add({
        ScenarioText{"突如、あなたの目の前に謎の男が\n立ちはだかり、叫んだ。"},
        ScenarioText{"「そこのお前！」"},
        ScenarioText{"「俺と勝負だ！」"},
        ScenarioText{"「ザンけん、」"},
        throwChoice,
    });

    b.define(rock, {
                       ScenarioText{"あなたはグーを出す事にした。"},
                       ScenarioText{"謎の男はブツブツ呟いている。\n"
                                    "(これは……グーを出す気配ッ！\n"
                                    " ならば、俺はこの……)"},
                       ScenarioText{"「パーだ！」"},
                       ScenarioText{"「俺の勝ちだ！」"},
                       ScenarioText{"あなたは死にました。"},
                       ScenarioText{"(敗北エンド)"},
                       ScenarioEventGameEnd{},
                   });

    b.define(scissors, {
                           ScenarioText{"あなたはチョキを出す事にした。"},
                           ScenarioText{"「俺はチョキだ！」"},
                           ScenarioText{"「お前もチョキか！」"},
                           ScenarioText{"「やるな！！」"},
                           ScenarioText{"「ザンけん、」"},
                           throwChoice,
                       });

    b.define(paper, {
                        ScenarioText{"あなたはパーを出す事にした。"},
                        ScenarioText{"謎の男はブツブツ呟いている。\n"
                                     "(なんだこの威圧的なオーラは！\n"
                                     " しかし俺は負けぬっ！)"},
                        ScenarioText{"「俺のグーを喰らえっ！」"},
                        ScenarioText{"謎の男『ザンバルド』(仮名)は\n殴りかかってきた！"},
                        ScenarioText{"*cls*"},
                        ScenarioText{"あなたは手のひらで、\n"
                                     "『ザンバルド』のパンチを受け止め、\n"
                                     "そのまま握り潰した。"},
                        ScenarioText{"「ぐああぁぁ！」"},
                        ScenarioText{"『ザンバルド』は死にました。"},
                        ScenarioText{"あなたは平然とその場を立ち去った。"},
                        ScenarioText{"(勝利エンド)"},
                        ScenarioEventGameEnd{},
                    });

    return std::move(b).build(opening);
}

} // namespace

const Engine::Story& storyScript() {
    static const Engine::Story story = buildStoryScript();
    return story;
}

} // namespace Game

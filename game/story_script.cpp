#include "game/story_script.hpp"

namespace Game {

namespace {

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
        Engine::ScenarioText{"突如、あなたの目の前に謎の男が\n立ちはだかり、叫んだ。"},
        Engine::ScenarioText{"「そこのお前！」"},
        Engine::ScenarioText{"「俺と勝負だ！」"},
        Engine::ScenarioText{"「ザンけん、」"},
        throwChoice,
    });

    b.define(rock, {
                       Engine::ScenarioText{"あなたはグーを出す事にした。"},
                       Engine::ScenarioText{"謎の男はブツブツ呟いている。\n"
                                            "(これは……グーを出す気配ッ！\n"
                                            " ならば、俺はこの……)"},
                       Engine::ScenarioText{"「パーだ！」"},
                       Engine::ScenarioText{"「俺の勝ちだ！」"},
                       Engine::ScenarioText{"あなたは死にました。"},
                       Engine::ScenarioText{"(敗北エンド)"},
                       Engine::ScenarioEventGameEnd{},
                   });

    b.define(scissors, {
                           Engine::ScenarioText{"あなたはチョキを出す事にした。"},
                           Engine::ScenarioText{"「俺はチョキだ！」"},
                           Engine::ScenarioText{"「お前もチョキか！」"},
                           Engine::ScenarioText{"「やるな！！」"},
                           Engine::ScenarioText{"「ザンけん、」"},
                           throwChoice,
                       });

    b.define(paper, {
                        Engine::ScenarioText{"あなたはパーを出す事にした。"},
                        Engine::ScenarioText{"謎の男はブツブツ呟いている。\n"
                                             "(なんだこの威圧的なオーラは！\n"
                                             " しかし俺は負けぬっ！)"},
                        Engine::ScenarioText{"「俺のグーを喰らえっ！」"},
                        Engine::ScenarioText{"謎の男『ザンバルド』(仮名)は\n殴りかかってきた！"},
                        Engine::ScenarioText{"*cls*"},
                        Engine::ScenarioText{"あなたは手のひらで、\n"
                                             "『ザンバルド』のパンチを受け止め、\n"
                                             "そのまま握り潰した。"},
                        Engine::ScenarioText{"「ぐああぁぁ！」"},
                        Engine::ScenarioText{"『ザンバルド』は死にました。"},
                        Engine::ScenarioText{"あなたは平然とその場を立ち去った。"},
                        Engine::ScenarioText{"(勝利エンド)"},
                        Engine::ScenarioEventGameEnd{},
                    });

    return std::move(b).build(opening);
}

} // namespace

const Engine::Story& storyScript() {
    static const Engine::Story story = buildStoryScript();
    return story;
}

} // namespace Game

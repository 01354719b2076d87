"""The real Orlix.exe under a Chinese locale with the shipped English.lng
beside it: no saved choice and no file for the user's language, so the
built-in Chinese texts stay and nothing is saved; English is one menu
command away and is kept across a restart."""
import os

from e2e import IDS, Driver, wait_until
from test_language_en import (ID_CAPTURE, ID_EDIT_COPY, ID_FILTER, ID_LANGUAGE_DEFAULT,
                              ID_LANGUAGE_FIRST, close_dialog, english, open_dialog,
                              prompt_after_menuselect, restart, saved_language, settings_file,
                              shot_with_menu_open, start, texts_by_id)

LOCALE = "zh_CN.UTF-8"

ID_FILE_OPEN = IDS["ID_FILE_OPEN"]
FILTER_TEXTS = {1: "确定", 2: "取消", 1003: "包　含", 1004: "不包含"}


def setup(w):
    assert sorted(n for n in os.listdir(w.build) if n.lower().endswith(".lng")) \
        == ["English.lng"]
    assert not os.path.exists(settings_file(w))
    w.drv = Driver(w)
    start(w)
    return w


def teardown(w):
    w.viewer.close()
    w.drv.close()


def test_first_start_keeps_the_built_in_texts_and_saves_nothing(w):
    assert not os.path.exists(settings_file(w)), "nothing is written when no file matches"


def test_filter_dialog_keeps_its_chinese_texts(w):
    box = open_dialog(w, ID_FILTER)
    assert box["title"] == "调试信息过滤设置", box["title"]
    texts = texts_by_id(box)
    assert {k: texts[k] for k in FILTER_TEXTS} == FILTER_TEXTS, texts
    close_dialog(w, box, 2)


def test_prompts_are_the_built_in_strings(w):
    prompt_after_menuselect(w, ID_CAPTURE, "Capture")
    prompt_after_menuselect(w, ID_FILE_OPEN, "打开一个现有文档")
    # The English entry has a description of its own.
    prompt_after_menuselect(w, ID_LANGUAGE_FIRST, english(w)["language"]["description"])


def test_screenshot_of_the_chinese_window_with_a_menu_open(w):
    shot_with_menu_open(w, "orlix-language-zh.png", "复制被选对象并将其置于剪贴板上")


def test_english_chosen_from_the_menu_is_kept_across_a_restart(w):
    w.viewer.command(ID_LANGUAGE_FIRST)
    wait_until(lambda: saved_language(w) == "1033", what="1033 saved")
    wait_until(lambda: w.drv("status", w.viewer.hwnd) == english(w)["language"]["description"],
               what="the description of English")
    box = open_dialog(w, ID_FILTER)
    assert box["title"] == "Debug Message Filter", box["title"]
    close_dialog(w, box, 2)
    restart(w)
    strings = english(w)["string"]
    prompt_after_menuselect(w, ID_CAPTURE, strings[str(ID_CAPTURE)])
    prompt_after_menuselect(w, ID_EDIT_COPY, strings[str(ID_EDIT_COPY)])
    box = open_dialog(w, ID_FILTER)
    assert texts_by_id(box)[1003] == "Include"
    close_dialog(w, box, 2)
    # Back to the built-in language, also for the next start.
    w.viewer.command(ID_LANGUAGE_DEFAULT)
    wait_until(lambda: saved_language(w) == "0", what="0 saved")
    restart(w)
    box = open_dialog(w, ID_FILTER)
    assert box["title"] == "调试信息过滤设置", box["title"]
    close_dialog(w, box, 2)
    prompt_after_menuselect(w, ID_CAPTURE, "Capture")

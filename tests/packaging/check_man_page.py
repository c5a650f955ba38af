#!/usr/bin/env python3
"""Checks that a manual page names everything a program's --help lists: every option, and
every command and subcommand the help texts name. Keeps the two in step: an option added
to --help without its manual-page entry makes this fail.

usage: check_man_page.py [--extra-help TEXT] MANPAGE.1 -- PROGRAM [ARGS] [-- PROGRAM [ARGS]] ...

Each PROGRAM [ARGS] is run and its standard output taken as one help text. --extra-help
adds a line to the first help text (the test of this check uses it)."""
import re
import subprocess
import sys

OPTION = re.compile(r"(?<![\w-])(--?[A-Za-z][A-Za-z0-9-]*)")


def words_of_help(text):
    """The options, commands and subcommands a help text names."""
    words = set(OPTION.findall(text))
    in_commands = False
    for line in text.splitlines():
        stripped = line.strip()
        if stripped == "commands:":
            in_commands = True
            continue
        if stripped.startswith("OP:"):
            # The edit operations: "OP: to24, brightness V, ..." and their continuation.
            stripped = stripped[3:]
        if in_commands and line.startswith("      ") and not stripped.startswith("-"):
            words.update(item.split()[0] for item in stripped.split(",") if item.strip())
            continue
        # A command or subcommand line: two spaces and a lowercase word that is no option,
        # then its arguments (capitals, brackets, options) or the column of its description;
        # a line of prose goes on with lowercase words.
        match = re.match(r"^  ([a-z][a-z0-9-]*)(?:$|\s{2,}| [A-Z\[-])", line)
        if match:
            words.add(match.group(1))
            if in_commands:
                # "camera [OPTIONS] count|list|thumbnails DIR|..." names the subcommands too.
                for part in stripped.split("|"):
                    for token in part.split():
                        if re.fullmatch(r"[a-z][a-z0-9-]*", token):
                            words.add(token)
        elif not line.startswith(" "):
            in_commands = in_commands and stripped != ""
    # Short flags such as -h are options too; words that are plainly arguments are not.
    return {w for w in words if w not in {"-", "--"}}


def man_text(path):
    """The manual page's source with roff's escapes of hyphens and fonts undone."""
    with open(path, encoding="utf-8") as source:
        text = source.read()
    text = text.replace("\\-", "-")
    text = re.sub(r"\\f[BIRP]", "", text)
    text = re.sub(r"\\\(..", " ", text)
    return text


def main(argv):
    extra = []
    while argv and argv[0] == "--extra-help":
        extra.append(argv[1])
        argv = argv[2:]
    if len(argv) < 3 or argv[1] != "--":
        sys.exit(__doc__)
    page = argv[0]
    commands, current = [], []
    for arg in argv[2:]:
        if arg == "--" and current:
            commands.append(current)
            current = []
        else:
            current.append(arg)
    if current:
        commands.append(current)

    wanted = set()
    for index, command in enumerate(commands):
        result = subprocess.run(command, capture_output=True, text=True, check=False)
        if result.returncode != 0 or not result.stdout.strip():
            sys.exit(f"{' '.join(command)} failed (status {result.returncode}): {result.stderr}")
        text = result.stdout + ("\n".join([""] + extra) if index == 0 else "")
        wanted |= words_of_help(text)

    text = man_text(page)
    missing = sorted(w for w in wanted if not re.search(r"(?<![\w-])" + re.escape(w) + r"(?![\w-])", text))
    if missing:
        print(f"{page} does not mention: {' '.join(missing)}")
        return 1
    print(f"{page} mentions all {len(wanted)} options and commands of the help: {' '.join(sorted(wanted))}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

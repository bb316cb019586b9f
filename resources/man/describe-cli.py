#!/usr/bin/python3
"""Writes the manual page source and the bash completion of orvane-cli from
the program's own help, so that neither can say something the program does
not: `orvane-cli --help` names the verbs, `orvane-cli VERB --help` gives each
verb's usage and options, `orvane-cli slot` the band names.

Usage: describe-cli.py ORVANE-CLI TEMPLATE.md.in OUT.md OUT.bash

TEMPLATE.md.in is the page's fixed text with @VERBS@ where the verbs go.
Run at build time (resources/man/CMakeLists.txt).
"""

import os
import re
import subprocess
import sys

# A verb's help is a few lines; anything far longer is not help.
MAX_HELP_BYTES = 64 * 1024


def run(cli, *args):
    done = subprocess.run([cli, *args], capture_output=True, timeout=60, check=False)
    if len(done.stdout) > MAX_HELP_BYTES:
        raise SystemExit(f"describe-cli: '{' '.join(args)}' printed more than {MAX_HELP_BYTES} bytes")
    return done.returncode, done.stdout.decode("utf-8")


def write_atomically(path, text):
    temp = path + ".tmp"
    with open(temp, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(temp, path)


def verbs_of(main_help):
    """Verb name -> its lines in the overall help, in the order listed. A
    verb's line starts with the program name and the verb; lines that go on
    from it are indented further."""
    verbs = {}
    current = None
    for line in main_help.splitlines():
        m = re.match(r"^  orvane-cli ([a-z][a-z0-9-]*)(?: |$)", line)
        if m:
            current = m.group(1)
            verbs.setdefault(current, [])
        if current and line.startswith("  orvane-cli "):
            verbs[current].append(line.strip())
    if not verbs:
        raise SystemExit("describe-cli: orvane-cli --help lists no verb")
    return verbs


def usage_of(cli, verb, main_lines):
    """The verb's own help; the overall help's lines for it where the verb
    has no help of its own."""
    status, text = run(cli, verb, "--help")
    if status == 0 and text.strip():
        return text.rstrip("\n")
    return "\n".join(main_lines)


OPTION = re.compile(r"^--?[A-Za-z][\w-]*$")
# Metavariables are written in capitals (TIME, FILE.wav, HOST:PORT, WxH) or as
# a range (1..5); words of the descriptions are not.
METAVAR = re.compile(r"^(?:[A-Z][A-Za-z0-9.,:_/-]*|\d+\.\.\d+)$")


OPTION_LINE = re.compile(r"^  (--?[A-Za-z][\w-]*)(?: (\S+))?(?:\s{2,}.*)?$")


def options_block(text):
    """[(option, metavariable or None)] from the help's "Options:" block,
    which the program writes from the same description it reads its
    arguments with; None when the help has no such block."""
    lines = text.splitlines()
    if "Options:" not in lines:
        return None
    options = {}
    for line in lines[lines.index("Options:") + 1:]:
        if not line.strip():
            break
        m = OPTION_LINE.match(line)
        if not m:
            raise SystemExit(f"describe-cli: cannot read the option line '{line}'")
        options[m.group(1)] = m.group(2)
    return options


def options_of(text):
    """[(option, metavariable or None)] and the positional metavariables."""
    described = options_block(text)
    if described is not None:
        # The operands are named in the usage lines above the block.
        text = text[:text.index("\nOptions:\n")]
    options = {}
    positionals = []
    # Two or more spaces part an option from its description, so a capital
    # word that opens a description ("--events   MIDI messages") is not taken
    # for the option's value.
    for segment in re.split(r"\s{2,}|\n", re.sub(r"[\[\]|]", " ", text)):
        tokens = segment.split()
        i = 0
        while i < len(tokens):
            tok = tokens[i].split("=", 1)[0]
            if OPTION.match(tok):
                value = None
                if i + 1 < len(tokens) and METAVAR.match(tokens[i + 1]):
                    value = tokens[i + 1]
                    i += 1
                if tok not in options or options[tok] is None:
                    options[tok] = value
            elif METAVAR.match(tokens[i]) and tokens[i] not in ("VERB", "OPTIONS"):
                positionals.append(tokens[i])
            i += 1
    return (described if described is not None else options), positionals


def completion_for(value, bands):
    """Bash code that fills COMPREPLY for an option's value or a positional;
    None for a value typed freely."""
    upper = value.upper()
    if "DIR" in upper:
        return 'compopt -o filenames; COMPREPLY=($(compgen -d -- "$cur"))'
    typed = re.fullmatch(r"FILE\.(\w+)", value)
    if typed:
        return ('compopt -o filenames; '
                f'COMPREPLY=($(compgen -f -X \'!*.{typed.group(1)}\' -- "$cur") $(compgen -d -- "$cur"))')
    if "FILE" in upper or upper.endswith(".INI"):
        return 'compopt -o filenames; COMPREPLY=($(compgen -f -- "$cur"))'
    if upper == "MHZ" and bands:
        return f'COMPREPLY=($(compgen -W "{" ".join(bands)}" -- "$cur"))'
    return None


def bash_completion(verbs, described, bands):
    out = [
        "# bash completion for orvane-cli. Generated from the program's own help",
        "# when it was built; do not edit.",
        "_orvane_cli() {",
        "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}",
        "    if ((COMP_CWORD == 1)); then",
        f'        COMPREPLY=($(compgen -W "{" ".join(verbs)} --help" -- "$cur"))',
        "        return",
        "    fi",
        '    case "${COMP_WORDS[1]}:$prev" in',
    ]
    for verb in verbs:
        options, _ = described[verb]
        free = []
        for option, value in options.items():
            if value is None:
                continue
            code = completion_for(value, bands)
            if code is None:
                free.append(f"{verb}:{option}")
            else:
                out.append(f"        {verb}:{option}) {code}; return ;;")
        # A value typed freely (a host, a number): nothing to offer.
        if free:
            out.append(f"        {'|'.join(free)}) COMPREPLY=(); return ;;")
    out.append("    esac")
    out.append('    if [[ $cur == -* ]]; then')
    out.append('        case "${COMP_WORDS[1]}" in')
    for verb in verbs:
        options, _ = described[verb]
        names = " ".join(sorted(set(options) | {"--help"}))
        out.append(f'            {verb}) COMPREPLY=($(compgen -W "{names}" -- "$cur")) ;;')
    out.append("        esac")
    out.append("        return")
    out.append("    fi")
    out.append('    case "${COMP_WORDS[1]}" in')
    for verb in verbs:
        _, positionals = described[verb]
        files = [p for p in positionals if "FILE" in p.upper()]
        if files:
            out.append(f"        {verb}) {completion_for(files[0], bands)} ;;")
    out.append("    esac")
    out.append("}")
    out.append("complete -F _orvane_cli orvane-cli")
    return "\n".join(out) + "\n"


def man_verbs(verbs, usages):
    parts = []
    for verb in verbs:
        parts.append(f"## {verb}\n\n```\n{usages[verb]}\n```\n")
    return "\n".join(parts)


def main():
    if len(sys.argv) != 5:
        raise SystemExit(__doc__)
    cli, template, out_md, out_bash = sys.argv[1:]
    status, main_help = run(cli, "--help")
    if status != 0:
        raise SystemExit(f"describe-cli: orvane-cli --help exited with {status}")
    verbs_lines = verbs_of(main_help)
    verbs = list(verbs_lines)
    usages = {v: usage_of(cli, v, verbs_lines[v]) for v in verbs}
    described = {}
    for v in verbs:
        # A blank line ends the help's option list.
        described[v] = options_of(usages[v] + "\n\n" + "\n".join(verbs_lines[v]))
    status, slots = run(cli, "slot", "--at", "@0")
    # One line a band ("14.10<TAB>..."); the seconds left in the slot follow them.
    bands = [line.split("\t")[0] for line in slots.splitlines()
             if re.fullmatch(r"\d+\.\d+", line.split("\t")[0])] if status == 0 else []

    with open(template, encoding="utf-8") as f:
        page = f.read()
    if "@VERBS@" not in page:
        raise SystemExit(f"describe-cli: {template} has no @VERBS@")
    write_atomically(out_md, page.replace("@VERBS@", man_verbs(verbs, usages)))
    write_atomically(out_bash, bash_completion(verbs, described, bands))


if __name__ == "__main__":
    main()

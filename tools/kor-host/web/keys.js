// Key bindings as the input settings write them: up to two combinations
// separated by ",", each a run of bracketed key names ("[Ctrl][q]"); the
// comma key is "[,]", so a "," right after "[" belongs to a key name.

export const UNBOUND = "[<Unbound>]";

// The input sections that hold key bindings.
export const BINDING_GROUPS = ["GameEvents", "HUDEvents", "ShopEvents"];

export function splitBinding(text) {
    let at = text.indexOf(",");
    while (at > 0 && text[at - 1] === "[") at = text.indexOf(",", at + 1);
    return at < 0 ? [text] : [text.slice(0, at), text.slice(at + 1)];
}

// The binding with its combination number `slot` (0 or 1) replaced.
export function replaceCombination(text, slot, combination) {
    const parts = splitBinding(text);
    if (slot === 0 && parts.length === 1) return combination;
    while (parts.length < 2) parts.push("");
    parts[slot] = combination;
    return parts.join(",");
}

// Names of the keys whose code does not say them plainly.
const NAMED_CODES = {
    Space: "Space", Enter: "Return", NumpadEnter: "Return", Tab: "Tab", Backspace: "Backspace",
    Delete: "Delete", Insert: "Insert", Home: "Home", End: "End", PageUp: "Page Up", PageDown: "Page Down",
    ArrowUp: "Up Arrow", ArrowDown: "Down Arrow", ArrowLeft: "Left Arrow", ArrowRight: "Right Arrow",
    Backquote: "`", Minus: "-", Equal: "=", BracketLeft: "[", BracketRight: "]", Backslash: "\\",
    Semicolon: ";", Quote: "'", Comma: ",", Period: ".", Slash: "/", CapsLock: "Caps Lock",
};
const MODIFIER_CODES = new Set(["ControlLeft", "ControlRight", "AltLeft", "AltRight", "ShiftLeft", "ShiftRight",
    "MetaLeft", "MetaRight", "OSLeft", "OSRight"]);

// The key's own name, from its position on the keyboard rather than the
// character it types, so that [Shift][1] stays [Shift][1] and not "!".
function keyName(event) {
    const code = event.code || "";
    if (/^Key[A-Z]$/.test(code)) return code.slice(3).toLowerCase();
    if (/^Digit[0-9]$/.test(code)) return code.slice(5);
    if (/^F[0-9]{1,2}$/.test(code)) return code;
    if (/^Numpad[0-9]$/.test(code)) return "Num " + code.slice(6);
    if (code in NAMED_CODES) return NAMED_CODES[code];
    return event.key && event.key.length === 1 ? event.key.toLowerCase() : event.key || null;
}

// The combination a key press makes, "[Ctrl][Shift][q]"; null while only
// modifiers are down.
export function combinationOf(event) {
    if (MODIFIER_CODES.has(event.code) || ["Control", "Alt", "Shift", "Meta"].includes(event.key)) return null;
    const name = keyName(event);
    if (!name) return null;
    let combination = "";
    if (event.ctrlKey) combination += "[Ctrl]";
    if (event.altKey) combination += "[Alt]";
    if (event.shiftKey) combination += "[Shift]";
    if (event.metaKey) combination += "[Win]";
    return combination + "[" + name + "]";
}

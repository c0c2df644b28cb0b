// The settings page: a client of kor-host's routes and of its event stream,
// as the game client's interface is of the plug-in.
import { BINDING_GROUPS, UNBOUND, combinationOf, replaceCombination, splitBinding } from "./keys.js";

const API = "/kor-game-settings/v1";
const RESOURCES = { game: "game-settings", input: "input-settings" };
const EVENTS_SHOWN = 8;

const $ = (id) => document.getElementById(id);
const values = { game: null, input: null };
const schemas = { game: null, input: null };

function element(tag, properties = {}, ...children) {
    const node = document.createElement(tag);
    for (const [name, value] of Object.entries(properties)) {
        if (name === "class") node.className = value;
        else if (name.startsWith("data-") || name.startsWith("aria-") || name === "for") node.setAttribute(name, value);
        else node[name] = value;
    }
    node.append(...children);
    return node;
}

const isObject = (value) => value !== null && typeof value === "object" && !Array.isArray(value);
const sorted = (object) => Object.keys(object).sort();
// Single-precision settings arrive as doubles (0.8999999761581421); seven
// digits are all they hold.
const tidy = (value) => (typeof value === "number" && !Number.isInteger(value) ? Number(value.toPrecision(7)) : value);
const shown = (value) => (typeof value === "string" ? JSON.stringify(value) : String(tidy(value)));

// One HTTP call; an error answer is {status, message} as kor-host sends it.
async function call(method, path, body) {
    const init = { method, headers: {} };
    if (body !== undefined) {
        init.headers["Content-Type"] = "application/json";
        init.body = JSON.stringify(body);
    }
    let response;
    try {
        response = await fetch(path, init);
    } catch {
        return { ok: false, status: 0, message: "kor-host cannot be reached" };
    }
    const text = await response.text();
    let value = null;
    try {
        value = text === "" ? null : JSON.parse(text);
    } catch {
        value = text;
    }
    if (!response.ok) {
        const message = isObject(value) && value.message ? value.message : response.statusText;
        return { ok: false, status: response.status, message };
    }
    return { ok: true, status: response.status, value };
}

// ---- host --------------------------------------------------------------------------

function showFlag(id, value) {
    $(id).textContent = value === true ? "yes" : value === false ? "no" : "\u2014";
}

async function refreshHost() {
    const [state, ready, didReset] = await Promise.all([
        call("GET", "/host/state"), call("GET", `${API}/ready`), call("GET", `${API}/didreset`)]);
    if (state.ok) {
        const session = state.value.loginSession;
        $("host-user").textContent = isObject(session) && session.accountId
            ? `account ${session.accountId}, summoner ${session.summonerId}${session.state === "SUCCEEDED" ? "" : ` (${session.state})`}`
            : "nobody";
        showFlag("host-preferences", state.value.playerPreferencesReady);
    }
    showFlag("plugin-ready", ready.ok ? ready.value : null);
    showFlag("plugin-didreset", didReset.ok ? didReset.value : null);
}

function report(result, done) {
    const message = $("host-message");
    message.classList.toggle("failed", !result.ok);
    message.textContent = result.ok ? done(result.value) : `${result.status}: ${result.message}`;
}

function wireHost() {
    $("login").addEventListener("submit", async (event) => {
        event.preventDefault();
        const accountId = Number($("login-account").value);
        const summonerId = Number($("login-summoner").value);
        report(await call("POST", "/host/login", { accountId, summonerId }), () => `Logged in as account ${accountId}.`);
        refreshHost();
    });
    const commands = [
        ["logout", "/host/logout", () => "Logged out."],
        ["game-ended", "/host/game-ended", (v) => `Game ended; the plug-in answered ${shown(v)}.`],
        ["save", `${API}/save`, (v) => (v === true ? "Saved to the player preferences." : `Not saved (${shown(v)}).`)],
    ];
    for (const [id, path, done] of commands) {
        $(id).addEventListener("click", async () => {
            report(await call("POST", path), done);
            refreshHost();
        });
    }
}

// ---- settings by section --------------------------------------------------------

function defaultOf(kind, section, name) {
    const schema = schemas[kind];
    const entry = isObject(schema) && isObject(schema[section]) ? schema[section][name] : undefined;
    return isObject(entry) && "default" in entry ? entry.default : undefined;
}

// The control a setting gets follows its default's kind (a setting the
// schema does not know follows its value).
function makeControl(id, sample) {
    if (typeof sample === "boolean") return element("input", { id, type: "checkbox" });
    if (typeof sample === "number") return element("input", { id, type: "number", step: "any" });
    return element("input", { id, type: "text", spellcheck: false });
}

function setControl(control, value) {
    if (control.type === "checkbox") control.checked = value === true;
    else control.value = value === null || value === undefined ? "" : String(tidy(value));
}

function readControl(control) {
    if (control.type === "checkbox") return { value: control.checked };
    if (control.type === "number") {
        const number = control.valueAsNumber;
        return Number.isFinite(number) ? { value: number } : { error: "not a number" };
    }
    return { value: control.value };
}

// Sends one setting; the answer is the whole merged resource. An error
// shows beside the control, and the control goes back to the stored value.
async function commit(kind, section, name, row) {
    const control = row.querySelector("input");
    const error = row.querySelector(".error");
    const read = readControl(control);
    const result = read.error ? { ok: false, status: "not sent", message: read.error }
        : await call("PATCH", `${API}/${RESOURCES[kind]}`, { [section]: { [name]: read.value } });
    delete control.dataset.editing;
    if (!result.ok) {
        error.textContent = `${result.status}: ${result.message}`;
        setControl(control, values[kind]?.[section]?.[name]);
        return;
    }
    error.textContent = "";
    values[kind] = result.value;
    render(kind);
}

function settingRow(kind, section, name) {
    const id = `setting-${kind}-${section}-${name}`;
    const sample = defaultOf(kind, section, name) ?? values[kind][section][name];
    const control = makeControl(id, sample);
    const row = element("div", { class: "setting", "data-key": `${section}/${name}` },
        element("label", { for: id }, name), control,
        element("span", { class: "default" }), element("span", { class: "error", role: "alert" }));
    control.addEventListener("input", () => { control.dataset.editing = "1"; });
    control.addEventListener("change", () => commit(kind, section, name, row));
    control.addEventListener("keydown", (event) => {
        if (event.key !== "Escape") return;
        delete control.dataset.editing;
        setControl(control, values[kind]?.[section]?.[name]);
        row.querySelector(".error").textContent = "";
    });
    return row;
}

function updateRow(kind, section, name, row) {
    const value = values[kind][section][name];
    const fallback = defaultOf(kind, section, name);
    const control = row.querySelector("input");
    // A value the user is still typing is not overwritten by news from elsewhere.
    if (!(control.dataset.editing && document.activeElement === control)) setControl(control, value);
    row.querySelector(".default").textContent = fallback === undefined ? "no default" : `default ${shown(fallback)}`;
    const changed = fallback !== undefined && JSON.stringify(tidy(value)) !== JSON.stringify(tidy(fallback));
    row.classList.toggle("changed", changed);
    return changed;
}

function renderSections(kind) {
    const host = $(`${kind}-sections`);
    const resource = values[kind];
    if (!isObject(resource) || Object.keys(resource).length === 0) return;
    host.querySelector(":scope > p")?.remove();
    for (const section of sorted(resource)) {
        if (kind === "input" && BINDING_GROUPS.includes(section)) continue;
        const settings = resource[section];
        if (!isObject(settings)) continue;
        let details = host.querySelector(`:scope > details[data-section="${CSS.escape(section)}"]`);
        if (!details) {
            details = element("details", { "data-section": section },
                element("summary", {}, section, element("span", { class: "count" })));
            host.append(details);
        }
        let changed = 0;
        for (const name of sorted(settings)) {
            let row = details.querySelector(`:scope > [data-key="${CSS.escape(`${section}/${name}`)}"]`);
            if (!row) {
                row = settingRow(kind, section, name);
                details.append(row);
            }
            if (updateRow(kind, section, name, row)) changed += 1;
        }
        details.querySelector(".count").textContent = changed ? `${changed} changed` : "";
    }
}

// ---- key bindings -------------------------------------------------------------------

let capturing = null;  // the combination button waiting for keys

function comboButton(group, event, slot) {
    const button = element("button", { type: "button", class: "combo", "data-slot": String(slot),
        "aria-pressed": "false" });
    button.addEventListener("click", () => startCapture(button));
    button.addEventListener("keydown", (key) => onCaptureKey(key, group, event, slot, button));
    button.addEventListener("blur", () => { if (capturing === button) stopCapture(); });
    return button;
}

function startCapture(button) {
    if (capturing && capturing !== button) stopCapture();
    capturing = button;
    button.setAttribute("aria-pressed", "true");
    button.dataset.shown = button.textContent;
    button.textContent = "press keys\u2026";
}

function stopCapture() {
    const button = capturing;
    capturing = null;
    if (!button) return;
    button.setAttribute("aria-pressed", "false");
    button.textContent = button.dataset.shown ?? "";
}

async function onCaptureKey(key, group, event, slot, button) {
    if (capturing !== button) return;
    key.preventDefault();
    key.stopPropagation();
    if (key.key === "Escape") return stopCapture();
    const combination = combinationOf(key);
    if (!combination) return;  // modifiers alone: wait for the key
    stopCapture();
    const row = button.closest("tr");
    const current = values.input?.[group]?.[event] ?? "";
    const binding = typeof current === "string" ? current : "";
    const before = structuredClone(values.input);
    const result = await call("PATCH", `${API}/input-settings`,
        { [group]: { [event]: replaceCombination(binding, slot, combination) } });
    const status = row.querySelector(".error");
    if (!result.ok) {
        status.textContent = `${result.status}: ${result.message}`;
        return;
    }
    status.textContent = "";
    values.input = result.value;
    render("input", before);
}

function renderBindings(before) {
    const body = $("binding-rows");
    const input = values.input;
    if (!isObject(input)) return;
    const filter = $("binding-filter").value.trim().toLowerCase();
    let rows = 0;
    for (const group of BINDING_GROUPS) {
        const bindings = isObject(input[group]) ? input[group] : {};
        for (const event of sorted(bindings)) {
            rows += 1;
            let row = body.querySelector(`tr[data-event="${CSS.escape(`${group}/${event}`)}"]`);
            if (!row) {
                row = element("tr", { "data-event": `${group}/${event}` },
                    element("th", { scope: "row" }, event), element("td", { class: "group" }, group),
                    element("td", {}, comboButton(group, event, 0)), element("td", {}, comboButton(group, event, 1)),
                    element("td", { class: "error", role: "alert" }));
                body.append(row);
            }
            const text = typeof bindings[event] === "string" ? bindings[event] : "";
            const parts = splitBinding(text);
            row.querySelectorAll("button.combo").forEach((button, slot) => {
                const part = parts[slot] ?? "";
                const label = part === "" ? "\u2014" : part;
                if (capturing === button) button.dataset.shown = label;
                else button.textContent = label;
                button.classList.toggle("empty", part === "");
                button.classList.toggle("unbound", part === UNBOUND);
                button.setAttribute("aria-label", `${event}, ${slot === 0 ? "first" : "second"} binding: ${label}`);
            });
            const fallback = defaultOf("input", group, event);
            row.classList.toggle("changed", fallback !== undefined && fallback !== text);
            if (before && before[group]?.[event] !== bindings[event]) {
                row.classList.remove("flash");
                void row.offsetWidth;  // restarts the animation
                row.classList.add("flash");
            }
            row.hidden = filter !== "" && !event.toLowerCase().includes(filter);
        }
    }
    $("bindings-empty").hidden = rows > 0;
}

function render(kind, before) {
    renderSections(kind);
    if (kind === "input") renderBindings(before);
}

async function loadResource(kind) {
    const [value, schema] = await Promise.all([
        call("GET", `${API}/${RESOURCES[kind]}`), call("GET", `${API}/${RESOURCES[kind]}-schema`)]);
    if (schema.ok) schemas[kind] = schema.value;
    if (value.ok) values[kind] = value.value;
    render(kind);
}

// ---- live events -------------------------------------------------------------------

function listEvent(name, payload) {
    const list = $("events");
    const uri = isObject(payload) && payload.uri ? payload.uri : name;
    const what = uri.startsWith(`${API}/`) ? uri.slice(API.length + 1) : uri;
    const kind = isObject(payload) && payload.eventType ? payload.eventType : "event";
    const time = new Date().toLocaleTimeString([], { hour12: false });
    list.prepend(element("li", { title: uri }, element("time", {}, time), " ", element("span", { class: "kind" }, kind),
        " ", element("code", {}, what)));
    while (list.children.length > EVENTS_SHOWN) list.lastElementChild.remove();
}

// The plug-in fires each resource event twice, under the resource's own
// event name and under the general one, with the same payload.
let lastData = null;

function onEvent(name, data) {
    if (data === lastData) return;
    lastData = data;
    let payload = null;
    try {
        payload = JSON.parse(data);
    } catch {
        return;
    }
    listEvent(name, payload);
    const uri = isObject(payload) ? payload.uri : undefined;
    for (const kind of Object.keys(RESOURCES)) {
        if (uri === `${API}/${RESOURCES[kind]}` && isObject(payload.data)) {
            const before = values[kind];
            values[kind] = payload.data;
            render(kind, before);
            return;
        }
    }
    // A load recomputes the schemas; no event announces them.
    if (uri === `${API}/ready`) {
        loadResource("game");
        loadResource("input");
    }
    refreshHost();
}

function onBlock(block) {
    let name = "message";
    const data = [];
    for (const line of block.split("\n")) {
        if (line.startsWith("event:")) name = line.slice(6).trim();
        else if (line.startsWith("data:")) data.push(line.slice(5).replace(/^ /, ""));
    }
    if (data.length > 0) onEvent(name, data.join("\n"));
}

// The stream is read with fetch rather than EventSource, which hands out
// only the event names it was told of in advance.
async function follow() {
    const status = $("connection");
    for (;;) {
        try {
            const response = await fetch("/events", { headers: { Accept: "text/event-stream" } });
            if (!response.ok || !response.body) throw new Error(`status ${response.status}`);
            status.textContent = "live";
            status.classList.add("live");
            const reader = response.body.pipeThrough(new TextDecoderStream()).getReader();
            let buffer = "";
            for (;;) {
                const { value, done } = await reader.read();
                if (done) break;
                buffer += value.replace(/\r\n?/g, "\n");
                for (let end = buffer.indexOf("\n\n"); end >= 0; end = buffer.indexOf("\n\n")) {
                    onBlock(buffer.slice(0, end));
                    buffer = buffer.slice(end + 2);
                }
            }
        } catch {
            // reconnects below
        }
        status.textContent = "reconnecting\u2026";
        status.classList.remove("live");
        await new Promise((resolve) => setTimeout(resolve, 2000));
        // What happened while the stream was down is read afresh.
        await Promise.all([refreshHost(), loadResource("game"), loadResource("input")]);
    }
}

wireHost();
$("binding-filter").addEventListener("input", () => renderBindings());
follow();
refreshHost();
loadResource("game");
loadResource("input");

// The page side of the tool's late-bound calls.
//
// This script runs in the tool's own isolated world, once in every new
// document of the main frame, so page scripts can neither see nor change it.
// The host prepends one line defining `nvkToken`, a secret that marks the
// host's own console reports.
//
// Handles. Every page object the host holds is a handle: the document's id
// (random, made here) and an index into `handles`. Index 0 is the document.
// A new handle is made for every object a call returns; the host frees it
// when its last reference goes. A handle of another document (the page was
// navigated, reloaded or its renderer replaced) is "gone".
//
// Requests. The host runs `nvkBridge.request(REQUEST)`, REQUEST being JSON:
//   { op: "invoke", doc, h, name, kind, args, free }
//       kind "method": call the member with args; "get": read it;
//       "methodget": call it if it is a function, read it otherwise;
//       "put": assign args[0] to it.
//   { op: "is", doc, h, cls, free }   instanceof a whitelisted DOM class
//   { op: "release", doc, free }
//   { op: "count" }                   how many handles are held (diagnostic)
// `free`, { doc, handles }, lists handles to release before anything else.
// Member names resolve without regard to letter case; a few members of the
// classic document model that the standard DOM lacks are provided here
// (see classicMember).
//
// Answers. Every answer is a JSON text, an envelope the host checks:
//   { ok: true,  doc, value }
//   { ok: false, doc, error: { kind, message, name } }
// kind is "unknownname", "notcallable", "exception" (the page threw),
// "gone" or "badrequest". Values and arguments are encoded as
//   { t: "empty" } { t: "null" } { t: "int", v } { t: "num", v }
//   { t: "bool", v } { t: "str", v } { t: "obj", h } (arguments: also doc)
// A number that JSON cannot carry (NaN, Infinity) travels as its text.
//
// Form scans. { op: "scan", doc, what, name } walks the document's forms in
// this world, each step the same member call an "invoke" would make, and
// answers in one round trip what a walk of one call per step would have met:
//   what "hasforms": { forms } or { stop }
//   what "find":     { forms, candidates: [{ f, i, name, type }] } or { stop }
//   what "list":     { forms, entries: [{ name, type, value }] } or { stop }
// A step's outcome is { v: value } or { e: error, step: member name }. "find" keeps only the
// elements whose name may be the one asked for (the host compares exactly),
// up to the first one whose name cannot be read; "list" keeps every element
// up to the first whose name or type cannot be read. stop: { step, e } is a
// step before the elements (the forms, their count, a form) that failed.
//
// { op: "setfield", doc, h, name, index, value, checked, serial } sets a
// field of the form h as the setter's calls do one by one: item(name, index),
// then by tag the checked state or the value, then for an input or a list the
// call FireEvent("ONCHANGE"), whose failure is ignored. Once the field is
// set and before the change event, it reports { doc, settled: serial }, so
// that the host knows the field was set when a change handler outlasts the
// call's time bound. It answers { set: false } when the form has no such
// field, { set: true }, { stop: { kind: "cast" } } for an item that is no
// element, or { stop: { step, e } } for a call that failed.
// { op: "callat", doc, f, i, method } calls forms.Item(f).Item(i).method()
// and answers {} or { stop: { step, e } }.
//
// Reports. The host keeps the load state without asking: on creation and at
// every readystatechange this script writes nvkToken + JSON
// { doc, state, url } to the console at debug level ({ doc, settled } for a
// field set, see setfield).
//
// File fields. The characters of trusted key events typed into a file field
// are kept per field (Backspace removes one); events made by scripts are
// ignored. An answer carries `typed: [{ field, text }]` when some field's
// text changed since the last answer. The host resolves the text as a path
// and answers with
//   { op: "attach", doc, field, text, name, type, data }   data: base64, or
//   { op: "attach", doc, field, text }                     to empty the field;
// the field then holds that file alone. Every answer also carries `keys`, the
// number of trusted key events (down and up) the document has seen, so that
// the host can tell when the keys it delivered have all arrived. The typed
// text goes on growing as keys come, like the text of a field one types into;
// an attach made for a text that has grown since is dropped (-1), and the
// newer text follows. Once the field's files are no longer those of the last
// attach (the page emptied the field, put other files in it or reset its
// form), the next key starts the text afresh.
'use strict';

const nvkBridge = (() => {
    const docId = (() => {
        const words = new Uint32Array(2);
        crypto.getRandomValues(words);
        return words[0].toString(16).padStart(8, '0') + words[1].toString(16).padStart(8, '0');
    })();

    const handles = new Map([[0, document]]);
    let nextHandle = 1;

    class BridgeError extends Error {
        constructor(kind, message) {
            super(message);
            this.kind = kind;
        }
    }

    const fileFields = new Map();     // field id -> element
    const fieldIds = new WeakMap();   // element -> field id
    const typedText = new Map();      // field id -> text typed so far
    const attachedFiles = new Map();  // field id -> the files of the last attach
    let typedChanged = false;
    let keysSeen = 0;

    function fieldId(element) {
        if (!fieldIds.has(element)) {
            const id = fileFields.size + 1;
            fieldIds.set(element, id);
            fileFields.set(id, element);
        }
        return fieldIds.get(element);
    }

    // Registered on the window, in the capture phase, at document creation:
    // before any listener of the page, which cannot hide a key from it.
    const countKey = (e) => {
        if (e.isTrusted)
            keysSeen++;
    };
    window.addEventListener('keyup', countKey, true);
    window.addEventListener('keydown', (e) => {
        countKey(e);
        const target = e.target;
        if (!e.isTrusted || !(target instanceof HTMLInputElement) || target.type !== 'file')
            return;
        const id = fieldId(target);
        if (!filesAsAttached(id, target)) {
            // What the page put in the field is where the next text starts.
            typedText.delete(id);
            attachedFiles.set(id, Array.from(target.files));
        }
        let text = typedText.get(id) || '';
        if (e.key === 'Backspace')
            text = text.slice(0, -1);
        else if (e.key.length === 1 || (e.key.length === 2 && e.key.codePointAt(0) > 0xffff))
            text += e.key;
        else
            return;
        typedText.set(id, text);
        typedChanged = true;
    }, true);

    function filesAsAttached(id, input) {
        const mine = attachedFiles.get(id) || [];
        const now = input.files;
        if (now.length !== mine.length)
            return false;
        for (let i = 0; i < now.length; ++i) {
            if (now[i] !== mine[i])
                return false;
        }
        return true;
    }

    function takeTyped() {
        if (!typedChanged)
            return undefined;
        typedChanged = false;
        return Array.from(typedText, ([field, text]) => ({ field, text }));
    }

    function attach(request) {
        const input = fileFields.get(request.field);
        if (!input)
            throw new BridgeError('gone', 'the file field has gone');
        if (typedText.get(request.field) !== request.text)
            return -1;
        const transfer = new DataTransfer();
        if (request.data !== undefined) {
            // A plain loop: a callback for each byte costs a call and a
            // string of its own, most of the attach for a photo.
            const binary = atob(request.data);
            const bytes = new Uint8Array(binary.length);
            for (let i = 0; i < binary.length; ++i)
                bytes[i] = binary.charCodeAt(i);
            transfer.items.add(new File([bytes], request.name, { type: request.type }));
        }
        input.files = transfer.files;
        attachedFiles.set(request.field, Array.from(input.files));
        return transfer.files.length;
    }

    function report() {
        console.debug(nvkToken + JSON.stringify({
            doc: docId, state: document.readyState, url: location.href,
        }));
    }

    function encode(value) {
        if (value === undefined)
            return { t: 'empty' };
        if (value === null)
            return { t: 'null' };
        switch (typeof value) {
        case 'number':
            if (Number.isInteger(value) && value >= -2147483648 && value <= 2147483647)
                return { t: 'int', v: value };
            return { t: 'num', v: Number.isFinite(value) ? value : String(value) };
        case 'boolean':
            return { t: 'bool', v: value };
        case 'string':
            return { t: 'str', v: value };
        case 'bigint':
        case 'symbol':
            return { t: 'str', v: String(value) };
        default: {
            // Objects, functions, and document.all, whose typeof is
            // "undefined" although it is an object.
            const h = nextHandle++;
            handles.set(h, value);
            return { t: 'obj', h };
        }
        }
    }

    function decode(arg) {
        switch (arg.t) {
        case 'empty':
            return undefined;
        case 'null':
            return null;
        case 'int':
        case 'num':
        case 'bool':
        case 'str':
            return arg.v;
        case 'obj':
            return lookUp(arg.doc, arg.h);
        default:
            throw new BridgeError('badrequest', 'unknown argument type ' + arg.t);
        }
    }

    function lookUp(doc, h) {
        if (doc !== docId || !handles.has(h))
            throw new BridgeError('gone', 'the object has gone');
        return handles.get(h);
    }

    function fireEvent(element, name) {
        const type = String(name).replace(/^on/i, '').toLowerCase();
        return element.dispatchEvent(new Event(type, { bubbles: true, cancelable: true }));
    }

    // The classic form.item(name or index [, index]).
    function formItem(form, key, index) {
        if (typeof key === 'number')
            return form.elements.item(key);
        const found = form.elements.namedItem(String(key));
        if (found === null)
            return null;
        const which = index === undefined ? 0 : Number(index);
        if (found instanceof RadioNodeList)
            return found.item(which);
        return which === 0 ? found : null;
    }

    function classicMember(object, lowerName) {
        if (object instanceof HTMLAllCollection && lowerName === 'tags')
            return { call: (tag) => document.getElementsByTagName(String(tag)) };
        if (object instanceof HTMLFormElement && lowerName === 'item')
            return { call: (key, index) => formItem(object, key, index) };
        if (object instanceof Document && lowerName === 'parentwindow')
            return { get: () => object.defaultView };
        if (object instanceof Element && lowerName === 'fireevent')
            return { call: (name) => fireEvent(object, name) };
        return null;
    }

    // The member a name found along an element's prototype chain, by
    // prototype and lower-case name: elements of one kind share it, and a
    // scan of a large form asks the same few names of every element.
    const membersByPrototype = new WeakMap();

    function resolveOnChain(first, lowerName) {
        for (let o = first; o !== null; o = Object.getPrototypeOf(o)) {
            for (const key of Object.getOwnPropertyNames(o)) {
                if (key.toLowerCase() === lowerName)
                    return key;
            }
        }
        return undefined;
    }

    function resolve(object, name) {
        const lowerName = name.toLowerCase();
        const classic = classicMember(object, lowerName);
        if (classic)
            return classic;
        if (name in object)
            return { key: name };
        let key;
        if (object instanceof Element && Object.getOwnPropertyNames(object).length === 0) {
            const prototype = Object.getPrototypeOf(object);
            let members = membersByPrototype.get(prototype);
            if (!members) {
                members = new Map();
                membersByPrototype.set(prototype, members);
            }
            if (!members.has(lowerName))
                members.set(lowerName, resolveOnChain(prototype, lowerName));
            key = members.get(lowerName);
        } else {
            key = resolveOnChain(object, lowerName);
        }
        if (key === undefined)
            throw new BridgeError('unknownname', name);
        return { key };
    }

    function invoke(object, name, kind, args) {
        const member = resolve(object, name);
        if (kind === 'put') {
            if (!member.key)
                throw new BridgeError('notcallable', name);
            object[member.key] = args[0];
            return undefined;
        }
        if (member.call) {
            if (kind === 'get')
                return member.call;
            return member.call(...args);
        }
        const value = member.get ? member.get() : object[member.key];
        if (kind === 'get')
            return value;
        if (typeof value === 'function')
            return value.apply(object, args);
        if (kind === 'methodget')
            return value;
        throw new BridgeError('notcallable', name);
    }

    // One step of a scan: the value the member call gives, or its error as
    // a request would report it.
    function step(object, name, kind, args) {
        try {
            // Only objects are called; document.all is one although its
            // typeof says "undefined".
            const isObject = typeof object === 'object' || typeof object === 'function' ||
                object instanceof HTMLAllCollection;
            if (object === null || !isObject)
                return { e: { kind: 'badtarget', message: '', name: '' }, step: name };
            return { v: invoke(object, name, kind, args) };
        } catch (e) {
            return { e: errorInfo(e), step: name };
        }
    }

    class ScanStop extends Error {
        constructor(stepName, e) {
            super(stepName);
            this.stop = { step: stepName, e };
        }
    }

    // A step that must succeed for the operation to go on.
    function must(stepName, object, name, kind, args) {
        const result = step(object, name, kind, args || []);
        if (result.e)
            throw new ScanStop(stepName, result.e);
        return result.v;
    }

    const surrogate = /[\uD800-\uDFFF]/;

    function scan(request) {
        const doc = lookUp(request.doc, 0);
        const all = must('all', doc, 'all', 'methodget');
        const tags = must('tags', all, 'tags', 'method', ['FORM']);
        if (must('Length', tags, 'Length', 'methodget') == 0)
            return { forms: false };
        if (request.what === 'hasforms')
            return { forms: true };
        const forms = must('forms', doc, 'forms', 'methodget');
        const lastForm = Number(must('Length', forms, 'Length', 'methodget')) - 1;
        const found = [];
        const result = () => (request.what === 'find' ? { forms: true, candidates: found }
                                                     : { forms: true, entries: found });
        for (let f = 0; f <= lastForm; ++f) {
            const form = must('Item', forms, 'Item', 'method', [f]);
            const lastElement = Number(must('Length', form, 'Length', 'methodget')) - 1;
            for (let i = 0; i <= lastElement; ++i) {
                const element = step(form, 'Item', 'method', [i]);
                const read = (name) => (element.e ? element : step(element.v, name, 'methodget', []));
                if (request.what === 'find') {
                    const name = read('Name');
                    const wanted = name.e || typeof name.v !== 'string' || name.v === request.name ||
                        surrogate.test(name.v);
                    if (!wanted)
                        continue;
                    found.push({ f, i, name: outcome(name), type: outcome(read('Type')) });
                    if (name.e)
                        return result();
                } else {
                    const name = read('name');
                    const type = name.e ? undefined : read('type');
                    const value = name.e || type.e ? undefined : read('value');
                    found.push({ name: outcome(name), type: outcome(type), value: outcome(value) });
                    if (name.e || type.e)
                        return result();
                }
            }
        }
        return result();
    }

    // The change event after a setting: a page whose handler fails still
    // has its value.
    function notifyChange(element, serial) {
        console.debug(nvkToken + JSON.stringify({ doc: docId, settled: serial }));
        try {
            invoke(element, 'FireEvent', 'method', ['ONCHANGE']);
        } catch (e) {
            // Ignored, as the setter ignores it.
        }
        return { set: true };
    }

    function setField(request) {
        const form = lookUp(request.doc, request.h);
        const el = must('item', form, 'item', 'method', [request.name, request.index]);
        if (el === null || el === undefined)
            return { set: false };
        if (!(el instanceof HTMLElement))
            return { stop: { kind: 'cast' } };
        const put = (name, value) => must(name, el, name, 'put', [value]);
        const tag = must('tagName', el, 'tagName', 'get');
        if (tag === 'INPUT') {
            const type = must('type', el, 'type', 'get');
            if (type === 'radio' || type === 'checkbox')
                put('checked', request.checked);
            else
                put('value', request.value);
            return notifyChange(el, request.serial);
        }
        if (tag === 'SELECT') {
            put('value', request.value);
            return notifyChange(el, request.serial);
        }
        if (tag === 'TEXTAREA')
            put('value', request.value);
        return { set: true };
    }

    function callAt(request) {
        const doc = lookUp(request.doc, 0);
        const forms = must('forms', doc, 'forms', 'methodget');
        const form = must('Item', forms, 'Item', 'method', [request.f]);
        const element = must('Item', form, 'Item', 'method', [request.i]);
        must(request.method, element, request.method, 'method');
        return {};
    }

    // The operations made of steps: a step that must succeed and fails ends
    // the operation with { stop }. Their answers are sent as they are.
    const steppedOperations = new Map([['scan', scan], ['setfield', setField], ['callat', callAt]]);

    function runStepped(operation, request) {
        try {
            return operation(request);
        } catch (e) {
            if (e instanceof ScanStop)
                return { stop: e.stop };
            throw e;
        }
    }

    function outcome(o) {
        if (o === undefined)
            return undefined;
        return o.e ? { e: o.e, step: o.step } : { v: encode(o.v) };
    }

    const classes = new Set([
        'Document', 'HTMLDocument', 'HTMLCollection', 'HTMLAllCollection', 'HTMLFormElement',
        'HTMLElement', 'HTMLInputElement', 'HTMLSelectElement', 'HTMLTextAreaElement', 'Window',
    ]);

    function isInstance(object, cls) {
        if (!classes.has(cls))
            throw new BridgeError('badrequest', 'unknown class ' + cls);
        return object instanceof globalThis[cls];
    }

    function answer(request) {
        // Handles freed by the host belong to the document it names; those of
        // an earlier document went with it.
        const free = request.free;
        if (free && free.doc === docId) {
            for (const h of free.handles) {
                if (h !== 0)
                    handles.delete(h);
            }
        }
        if (steppedOperations.has(request.op))
            return runStepped(steppedOperations.get(request.op), request);
        switch (request.op) {
        case 'release':
            return undefined;
        case 'count':
            return handles.size;
        case 'attach':
            if (request.doc !== docId)
                throw new BridgeError('gone', 'the object has gone');
            return attach(request);
        case 'is':
            return isInstance(lookUp(request.doc, request.h), request.cls);
        case 'invoke': {
            const object = lookUp(request.doc, request.h);
            const args = (request.args || []).map(decode);
            return invoke(object, String(request.name), request.kind, args);
        }
        default:
            throw new BridgeError('badrequest', 'unknown operation ' + request.op);
        }
    }

    function errorInfo(e) {
        if (e instanceof BridgeError)
            return { kind: e.kind, message: e.message, name: '' };
        if (e !== null && typeof e === 'object' && 'message' in e)
            return { kind: 'exception', message: String(e.message), name: String(e.name) };
        return { kind: 'exception', message: String(e), name: '' };
    }

    function request(req) {
        // Nobody reads the answer to a release: what changed in the typed
        // text waits for an answer that is read.
        const typed = () => (req.op === 'release' ? undefined : takeTyped());
        try {
            // A stepped operation's answer is already in the form the host reads.
            const value = steppedOperations.has(req.op) ? answer(req) : encode(answer(req));
            return JSON.stringify({
                ok: true, doc: docId, value, typed: typed(), keys: keysSeen,
            });
        } catch (e) {
            return JSON.stringify({
                ok: false, doc: docId, error: errorInfo(e), typed: typed(), keys: keysSeen,
            });
        }
    }

    report();
    document.addEventListener('readystatechange', report);
    return { request };
})();

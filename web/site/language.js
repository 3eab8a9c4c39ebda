// The language the page speaks. Its texts are written in English as
// t('…') and tf('… %s …', arg), the message ids of the project's gettext
// catalogs; the worker sends their translations from the catalogs compiled
// into the WebAssembly core. Until they arrive, and for a text a catalog
// lacks, the English id itself is shown.

// The page's languages, each named in itself for the switch: names, not
// texts of the catalogs (Japanese written as escapes: "nihongo").
export const languages = [
  { tag: 'ja', name: '\u65e5\u672c\u8a9e' },
  { tag: 'en', name: 'English' },
  { tag: 'de', name: 'Deutsch' },
  { tag: 'fr', name: 'Français' },
];

const kRemembered = 'pressling.language';
const known = (tag) => languages.some((language) => language.tag === tag);

let current = 'en';
let catalogs = {};  // tag -> { id: translation }

export function currentLanguage() {
  return current;
}

// The language chosen on the switch at an earlier visit, else the first of
// the browser's languages the page speaks, else English.
export function chooseLanguage() {
  let remembered = null;
  try { remembered = localStorage.getItem(kRemembered); } catch { /* storage refused: choose afresh */ }
  if (known(remembered)) return remembered;
  const wanted = navigator.languages && navigator.languages.length ? navigator.languages : [navigator.language || 'en'];
  for (const tag of wanted) {
    const primary = String(tag).toLowerCase().split(/[-_]/)[0];
    if (known(primary)) return primary;
  }
  return 'en';
}

export function useLanguage(tag, { remember = false } = {}) {
  current = known(tag) ? tag : 'en';
  if (remember) {
    try { localStorage.setItem(kRemembered, current); } catch { /* the choice holds for this visit only */ }
  }
}

export function setCatalogs(received) {
  catalogs = received || {};
}

export function t(id) {
  const texts = catalogs[current];
  return (texts && texts[id]) || id;
}

// The text of id with "%s" replaced by args in order, "%N$s" by the Nth and
// "%%" by "%", as the core's Language::Trf does.
export function tf(id, ...args) {
  let next = 0;
  return t(id).replace(/%(?:(\d+)\$s|s|%)/g, (whole, position) => {
    if (whole === '%%') return '%';
    const index = position ? Number(position) - 1 : next++;
    return index < args.length ? String(args[index]) : whole;
  });
}

// A text given in every language ({tag: text}) in the page's language; any
// other value as it is.
export function inLanguage(value) {
  if (value === null || typeof value !== 'object' || Array.isArray(value)) return value;
  return value[current] ?? value.en;
}

// What write() gives in each of the page's languages, as {tag: value}.
export function everyLanguage(write) {
  const chosen = current;
  const all = {};
  try {
    for (const { tag } of languages) {
      current = tag;
      all[tag] = write();
    }
  } finally {
    current = chosen;
  }
  return all;
}

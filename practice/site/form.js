// Behaviour of the ad-submission form: the department list follows the
// region, the SIREN field shows for company ads, and the photo button
// uploads the chosen photo together with every field typed so far.
'use strict';

(function () {
    const form = document.getElementById('ad-form');
    if (!form) {
        return;
    }
    const departements = JSON.parse(document.getElementById('departements').textContent);
    const region = form.elements.namedItem('region');
    const departement = form.elements.namedItem('dpt_code');

    // The department list is rebuilt from the region's own departments, so a
    // department can only be chosen once its region is. A department that
    // still belongs to the new region stays selected.
    function fillDepartements() {
        const kept = departement.value;
        const list = departements[region.value] || [];
        departement.replaceChildren();
        const prompt = new Option(list.length ? '« Choisissez le département »'
                                              : '« Choisissez d\'abord la région »', '');
        departement.add(prompt);
        for (const [code, label] of list) {
            departement.add(new Option(code + ' – ' + label, code));
        }
        departement.value = list.some(([code]) => code === kept) ? kept : '';
    }
    region.addEventListener('change', fillDepartements);

    const sirenRow = document.getElementById('siren-row');
    const radios = Array.from(form.querySelectorAll('input[name="company_ad"]'));
    function showSiren() {
        sirenRow.hidden = !radios.some((radio) => radio.value === '1' && radio.checked);
    }
    for (const radio of radios) {
        radio.addEventListener('click', showSiren);
        radio.addEventListener('change', showSiren);
    }

    // The photo goes up with the form's fields to the upload address. By
    // default that is a normal form submission, so the answer is a whole new
    // page holding the form as it was sent. In script mode the form's data
    // is sent with fetch; the page stays, takes the notice, the thumbnails
    // and the draft from the answer, and empties its file field.
    const image = form.elements.namedItem('image');
    const note = document.getElementById('upload-note');
    const button = document.getElementById('upload-photo');

    function showAnswer(html) {
        const answer = new DOMParser().parseFromString(html, 'text/html');
        for (const id of ['notice-area', 'photo-area']) {
            const from = answer.getElementById(id);
            if (from)
                document.getElementById(id).innerHTML = from.innerHTML;
        }
        const draft = answer.querySelector('input[name="draft"]');
        if (draft)
            form.elements.namedItem('draft').value = draft.value;
    }

    function sendByScript() {
        button.disabled = true;
        fetch(form.dataset.uploadAction, { method: 'POST', body: new FormData(form) })
            .then((response) => response.text())
            .then(showAnswer)
            .catch(() => {
                document.getElementById('notice-area').innerHTML =
                    '<p class="notice error" role="status">La photo n\'a pas pu être envoyée.</p>';
            })
            .finally(() => {
                image.value = '';
                button.disabled = false;
            });
    }

    button.addEventListener('click', function () {
        if (!image.files || image.files.length === 0) {
            note.hidden = false;
            return;
        }
        note.hidden = true;
        if (form.dataset.uploadMode === 'script') {
            sendByScript();
            return;
        }
        form.action = form.dataset.uploadAction;
        form.submit();
    });
})();
